#include "AppDelegate.h"

#include "ui/Palette.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

namespace {
// The "活" glyph with a teal dot, drawn once; sharp at twice the density.
QIcon drawStatusIcon() {
    QPixmap pixmap(44, 36);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font;
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 18, 18), Qt::AlignCenter, u"活"_s);
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::teal());
    p.drawEllipse(QPointF(19, 4), 2.5, 2.5);
    return QIcon(pixmap);
}
} // namespace

void AppDelegate::configureStatusItem() {
    statusItem = new QSystemTrayIcon(this);
    statusItem->setToolTip(u"Tovi: 菜单栏状态续命搭子"_s);
    statusItem->setIcon(drawStatusIcon());
    // A tray-only program opens its menu on a left click as well.
    connect(statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            popUpStatusMenu();
    });
}

void AppDelegate::setupMenu() {
    delete m_statusMenu;
    m_statusMenu = new QMenu;
    statusMenuItem = m_statusMenu->addAction(QString());
    statusMenuItem->setEnabled(false);
    m_statusMenu->addSeparator();
    QAction* quit = m_statusMenu->addAction(u"退出"_s);
    connect(quit, &QAction::triggered, this, &AppDelegate::quitApp);
    if (statusItem) {
        statusItem->setContextMenu(m_statusMenu);
        statusItem->show();
    }
}

void AppDelegate::popUpStatusMenu() {
    if (!m_statusMenu || m_statusMenu->isVisible())
        return;
    const QRect icon = statusItem ? statusItem->geometry() : QRect();
    m_statusMenu->popup(icon.isValid() ? icon.bottomLeft() : QCursor::pos());
}
