#pragma once

#include <QIcon>

// The tray icon: the "活" glyph, filled and outlined, with a small dot in the
// corner, 22 x 18 points. Drawn once; kept in colour on light and dark panels.
QIcon makeStatusBarIcon();
// One rendering at `devicePixelRatio`, for callers and tests that need pixels.
QImage renderStatusBarIcon(qreal devicePixelRatio);
