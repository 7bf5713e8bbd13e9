#include "Pixels.h"

#include <algorithm>

namespace Pixels {
int brightest(const QImage& image, const QRectF& area) {
    int best = 0;
    count(image, area, [&](QRgb p) { return (best = std::max(best, qGray(p))), false; });
    return best;
}

int count(const QImage& image, const QRectF& area, const std::function<bool(QRgb)>& test) {
    int n = 0;
    const QRect r = area.isEmpty() ? image.rect() : area.toAlignedRect().intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += test(image.pixel(x, y));
    return n;
}
} // namespace Pixels
