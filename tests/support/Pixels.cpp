#include "Pixels.h"

#include <algorithm>

namespace Pixels {
int brightest(const QImage& image, const QRectF& area) {
    int best = 0;
    const QRect r = area.toAlignedRect().intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            best = std::max(best, qGray(image.pixel(x, y)));
    return best;
}
} // namespace Pixels
