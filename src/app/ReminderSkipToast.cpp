#include "ReminderSkipToast.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

ReminderSkipToast::ReminderSkipToast(const QString& title, const QString& message)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
    , m_title(title)
    , m_message(message) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(width, height);
}

QFont ReminderSkipToast::titleFont() {
    QFont font;
    font.setPointSizeF(13);
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont ReminderSkipToast::messageFont() {
    QFont font;
    font.setPointSizeF(18);
    font.setWeight(QFont::Bold);
    return font;
}

QStringList ReminderSkipToast::wrapLines(const QString& text, const QFont& font, int width, int maxLines) {
    QStringList lines;
    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            // The last allowed line takes the rest, cut at the tail.
            const QString rest = text.mid(line.textStart());
            lines << QFontMetrics(font).elidedText(rest, Qt::ElideRight, width);
            break;
        }
        lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
}

QStringList ReminderSkipToast::messageLines() const {
    return wrapLines(m_message, messageFont(), width - 2 * sideInset, 2);
}

void ReminderSkipToast::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(panel, cornerRadius, cornerRadius);
    painter.fillPath(shape, QColor(0, 0, 0, 140));
    painter.setPen(QPen(QColor(255, 255, 255, 46), 1));
    painter.drawPath(shape);

    const QStringList lines = messageLines();
    const QFontMetrics titleMetrics(titleFont());
    const QFontMetrics messageMetrics(messageFont());
    const int textWidth = width - 2 * sideInset;
    const int stackHeight = titleMetrics.height() + spacing + int(lines.size()) * messageMetrics.height();
    int y = (height - stackHeight) / 2;

    painter.setFont(titleFont());
    painter.setPen(QColor(255, 255, 255, 184));
    painter.drawText(QRect(sideInset, y, textWidth, titleMetrics.height()), Qt::AlignCenter, m_title);
    y += titleMetrics.height() + spacing;

    painter.setFont(messageFont());
    painter.setPen(Qt::white);
    for (const QString& line : lines) {
        painter.drawText(QRect(sideInset, y, textWidth, messageMetrics.height()), Qt::AlignCenter, line);
        y += messageMetrics.height();
    }
}
