#pragma once

#include <QFont>
#include <QSizeF>

class QPainter;
class QRectF;
class QString;

// Fonts sized in device-independent pixels, the unit every layout of Tovi is
// given in, so a text is as tall on screen as the layout expects.
namespace Fonts {
enum class Design { standard, rounded, monospaced };

QFont system(double pixelSize, QFont::Weight weight = QFont::Normal, Design design = Design::standard);

// Text whose emoji draw in colour. Qt 6.4 ignores the emoji variation
// selector and takes a symbol such as U+26A0 from the first family that has
// it, in outline; runs of emoji go to the colour emoji face instead. `flags`
// takes the alignment flags and Qt::TextWordWrap.
void drawText(QPainter& painter, const QRectF& rect, int flags, const QString& text, const QFont& font);
// The size drawText needs within `width`.
QSizeF textSize(const QFont& font, double width, int flags, const QString& text);
} // namespace Fonts
