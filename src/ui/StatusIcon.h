#pragma once

#include <QIcon>

// The tray icon: the "活" glyph, filled and outlined, with a small dot in the
// corner, 22 x 18 points. Drawn once; kept in colour on light and dark panels.
// The icon holds it centred in squares of the common tray sizes, 16 to 64 px,
// or is the theme's "tovi-status" where Tovi is installed.
// Paused, the glyph and the dot are grey.
QIcon makeStatusBarIcon(bool paused = false);
// One rendering at `devicePixelRatio`, for callers and tests that need pixels.
QImage renderStatusBarIcon(qreal devicePixelRatio, bool paused = false);
