#include "StatusIcon.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <charconv>

using namespace Qt::StringLiterals;

namespace {
constexpr QSizeF iconSize(22, 18);

// The outline of the "活" glyph in the 22 x 22 square of the icon theme's
// SVG, taken from the system font's extra bold: drawing it needs no font,
// so an idle Tovi maps none and starts sooner.
constexpr char glyphOutline[] =
    "M4.33 5.98C5.25 6.52 6.63 7.28 7.25 7.75L8.39 6.2C7.7 5.77 6.31 5.05 5.42 4.59L4.33 5.98"
    "M3.56 10.42C4.52 10.92 5.89 11.69 6.55 12.16L7.63 10.56C6.92 10.13 5.5 9.42 4.59 9L3.56 10.42"
    "M3.8 17.95L5.42 19.25C6.39 17.69 7.41 15.86 8.25 14.17L6.84 12.89C5.88 14.75 4.66 16.75 3.8 17.95"
    "M8.28 9.06L8.28 10.89L12.56 10.89L12.56 12.94L9.28 12.94L9.28 19.42L11.03 19.42L11.03 18.77L15.84 "
    "18.77L15.84 19.34L17.67 19.34L17.67 12.94L14.38 12.94L14.38 10.89L18.48 10.89L18.48 9.06L14.38 "
    "9.06L14.38 6.86C15.64 6.59 16.84 6.28 17.88 5.89L16.39 4.39C14.63 5.11 11.61 5.64 8.89 5.91C9.09 6.33 "
    "9.36 7.08 9.44 7.55C10.44 7.45 11.5 7.34 12.56 7.17L12.56 9.06L8.28 9.06"
    "M11.03 17.03L11.03 14.69L15.84 14.69L15.84 17.03L11.03 17.03Z";

QPainterPath glyphPath() {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const char* at = glyphOutline;
    const char* const end = at + sizeof(glyphOutline) - 1;
    const auto number = [&] {
        while (at < end && *at == ' ')
            ++at;
        double value = 0;
        at = std::from_chars(at, end, value).ptr;
        return value;
    };
    const auto point = [&] {
        const double x = number();
        return QPointF(x, number());
    };
    while (at < end) {
        switch (*at++) {
        case 'M':
            path.moveTo(point());
            break;
        case 'L':
            path.lineTo(point());
            break;
        case 'C': {
            const QPointF c1 = point();
            const QPointF c2 = point();
            path.cubicTo(c1, c2, point());
            break;
        }
        case 'Z':
            path.closeSubpath();
            break;
        }
    }
    return path;
}
} // namespace

QImage renderStatusBarIcon(qreal ratio, bool paused) {
    QImage image((iconSize * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);

    // The SVG's square is 22 high; the icon keeps its middle 18.
    const QPainterPath path = glyphPath().translated(0, -(22 - iconSize.height()) / 2);
    // Outline 3.5 % of the 16 px glyph, under the fill so the fill stays full size.
    p.setPen(QPen(QColor::fromRgbF(0.02f, 0.02f, 0.02f), 16 * 0.035 * 2, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(paused ? QColor::fromRgbF(0.62f, 0.62f, 0.62f) : QColor::fromRgbF(1.0f, 0.82f, 0.12f));
    p.drawPath(path);

    // The dot sits in the lower right corner (its y is given from the bottom).
    const QRectF dot(16.5, iconSize.height() - 2.2 - 2.6, 2.6, 2.6);
    p.setBrush(paused ? QColor::fromRgbF(0.85f, 0.85f, 0.85f) : QColor::fromRgbF(0.09f, 0.88f, 0.85f));
    p.drawEllipse(dot);
    return image;
}

QIcon makeStatusBarIcon(bool paused) {
    // Installed, the same art is in the icon theme: StatusNotifierItem hosts
    // that prefer a name get "tovi-status" and draw it at their own size.
    if (!paused && QIcon::hasThemeIcon(u"tovi-status"_s))
        return QIcon::fromTheme(u"tovi-status"_s);
    // Square sizes drawn at their own scale: StatusNotifierItem hosts pick a
    // pixmap by side length and would otherwise scale a 22 x 18 one.
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 44, 48, 64}) {
        QImage art = renderStatusBarIcon(side / iconSize.width(), paused);
        art.setDevicePixelRatio(1);
        QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
        square.fill(Qt::transparent);
        QPainter(&square).drawImage(0, (side - art.height()) / 2, art);
        icon.addPixmap(QPixmap::fromImage(square));
    }
    return icon;
}
