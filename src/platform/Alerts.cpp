#include "Alerts.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

int MessageBoxAlerts::run(const AlertRequest& request) {
    QMessageBox box;
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setIcon(request.style == AlertRequest::Style::Informational ? QMessageBox::Information
                : request.style == AlertRequest::Style::Warning     ? QMessageBox::Warning
                                                                    : QMessageBox::Critical);
    box.setText(request.messageText);
    box.setInformativeText(request.informativeText);
    // QMessageBox wraps its texts at about 190 px, which breaks a sentence of
    // Chinese into four short lines: give the text room for two or three.
    if (auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        int widest = 0;
        for (const QString& line : request.informativeText.split(u'\n'))
            widest = std::max(widest, informative->fontMetrics().horizontalAdvance(line));
        // A short text keeps its one line; a long one takes half its length.
        informative->setMinimumWidth(widest <= 300 ? widest + 4 : std::clamp(widest / 2 + 24, 300, 480));
    }
    QList<QPushButton*> buttons;
    const QStringList titles =
        request.buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : request.buttons;
    for (const QString& title : titles)
        buttons.append(
            box.addButton(title, buttons.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    box.setDefaultButton(buttons.first());
    if (request.accessory) {
        // The accessory spans the text column under the informative text, and
        // the buttons move down a row to make room for it.
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
            auto* buttonBox = box.findChild<QDialogButtonBox*>();
            const int index = buttonBox ? grid->indexOf(buttonBox) : -1;
            if (index >= 0) {
                int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
                grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
                grid->removeWidget(buttonBox);
                grid->addWidget(request.accessory, row, 1, 1, grid->columnCount() - 1);
                grid->addWidget(buttonBox, row + 1, column, rowSpan, columnSpan);
            } else {
                grid->addWidget(request.accessory, grid->rowCount(), 1, 1, grid->columnCount() - 1);
            }
        }
        // The first field, not the default button, takes the keyboard: Return
        // still presses the default button from there.
        if (QWidget* focus = request.accessory->focusProxy())
            QTimer::singleShot(0, focus, [focus] { focus->setFocus(Qt::OtherFocusReason); });
    }
    box.exec();
    if (request.accessory)
        request.accessory->setParent(nullptr);
    return int(buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
}
