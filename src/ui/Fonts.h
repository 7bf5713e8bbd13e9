#pragma once

#include <QFont>

// Fonts sized in device-independent pixels, the unit every layout of Tovi is
// given in, so a text is as tall on screen as the layout expects.
namespace Fonts {
enum class Design { standard, rounded, monospaced };

QFont system(double pixelSize, QFont::Weight weight = QFont::Normal, Design design = Design::standard);
} // namespace Fonts
