#pragma once

#include <QColor>

// The named colours of the desktop's dark appearance; the only place they are spelt out.
namespace Palette {
inline QColor teal() {
    return QColor(0x40, 0xC8, 0xE0);
}
inline QColor cyan() {
    return QColor(0x64, 0xD2, 0xFF);
}
inline QColor orange() {
    return QColor(0xFF, 0x9F, 0x0A);
}
inline QColor purple() {
    return QColor(0xBF, 0x5A, 0xF2);
}
inline QColor blue() {
    return QColor(0x0A, 0x84, 0xFF);
}
} // namespace Palette
