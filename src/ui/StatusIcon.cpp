#include "StatusIcon.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

using namespace Qt::StringLiterals;

namespace {
constexpr QSizeF iconSize(22, 18);

QFont glyphFont() {
    QFont font = QGuiApplication::font();
    font.setWeight(QFont::ExtraBold);
    // Points are pixels at ratio 1 here: the icon is a fixed 22 x 18 image.
    font.setPixelSize(16);
    return font;
}
} // namespace

QImage renderStatusBarIcon(qreal ratio) {
    QImage image((iconSize * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);

    const QString glyph = u"活"_s;
    const QFont font = glyphFont();
    const QFontMetricsF metrics(font);
    const QRectF bounds = metrics.tightBoundingRect(glyph);
    // Centre the glyph's ink, then one point lower, as the design has it.
    const qreal x = (iconSize.width() - bounds.width()) / 2 - bounds.left();
    const qreal y = (iconSize.height() - bounds.height()) / 2 - bounds.top() + 1;
    QPainterPath path;
    path.addText(QPointF(x, y), font, glyph);
    // Outline 3.5 % of the font size, under the fill so the fill stays full size.
    p.setPen(QPen(QColor::fromRgbF(0.02f, 0.02f, 0.02f), 16 * 0.035 * 2, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(1.0f, 0.82f, 0.12f));
    p.drawPath(path);

    // The dot sits in the lower right corner (its y is given from the bottom).
    const QRectF dot(16.5, iconSize.height() - 2.2 - 2.6, 2.6, 2.6);
    p.setBrush(QColor::fromRgbF(0.09f, 0.88f, 0.85f));
    p.drawEllipse(dot);
    return image;
}

QIcon makeStatusBarIcon() {
    // Installed, the same art is in the icon theme: StatusNotifierItem hosts
    // that prefer a name get "tovi-status" and draw it at their own size.
    if (QIcon::hasThemeIcon(u"tovi-status"_s))
        return QIcon::fromTheme(u"tovi-status"_s);
    // Square sizes drawn at their own scale: StatusNotifierItem hosts pick a
    // pixmap by side length and would otherwise scale a 22 x 18 one.
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 44, 48, 64}) {
        QImage art = renderStatusBarIcon(side / iconSize.width());
        art.setDevicePixelRatio(1);
        QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
        square.fill(Qt::transparent);
        QPainter(&square).drawImage(0, (side - art.height()) / 2, art);
        icon.addPixmap(QPixmap::fromImage(square));
    }
    return icon;
}
