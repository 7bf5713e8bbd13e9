#include "Blur.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// One box pass along a contiguous line of premultiplied ARGB pixels with a
// running sum, written out every `outStride` pixels.
void boxLine(const quint32* in, quint32* out, int count, int outStride, int r, BlurEdge edge) {
    if (r <= 0 || count <= 0) {
        for (int i = 0; i < count; ++i)
            out[i * outStride] = in[i];
        return;
    }
    const int window = 2 * r + 1;
    int sum[4] = {0, 0, 0, 0};
    auto add = [&](quint32 p, int sign) {
        sum[0] += sign * int((p >> 24) & 0xff);
        sum[1] += sign * int((p >> 16) & 0xff);
        sum[2] += sign * int((p >> 8) & 0xff);
        sum[3] += sign * int(p & 0xff);
    };
    auto at = [&](int i) {
        if (edge == BlurEdge::extend)
            return in[std::clamp(i, 0, count - 1)];
        return i < 0 || i >= count ? 0u : in[i];
    };
    for (int i = -r; i <= r; ++i)
        add(at(i), 1);
    for (int i = 0; i < count; ++i) {
        out[i * outStride] = (quint32(sum[0] / window) << 24) | (quint32(sum[1] / window) << 16) |
                             (quint32(sum[2] / window) << 8) | quint32(sum[3] / window);
        add(at(i + r + 1), 1);
        add(at(i - r), -1);
    }
}
} // namespace

void blurImage(QImage& image, double radius, BlurEdge edge) {
    if (radius < 0.5 || image.isNull())
        return;
    // Opaque RGB32 has the same layout with alpha at 255, which the passes keep.
    if (image.format() != QImage::Format_ARGB32_Premultiplied && image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Three boxes of this size have the variance of a Gaussian with sigma = radius / 2.
    const double sigma = radius / 2.0;
    const int r = std::max(1, int(std::lround((std::sqrt(4.0 * sigma * sigma + 1.0) - 1.0) / 2.0)));
    const int w = image.width();
    const int h = image.height();
    std::vector<quint32> scratch(size_t(std::max(w, h)));
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
            std::copy(row, row + w, scratch.begin());
            boxLine(scratch.data(), row, w, 1, r, edge);
        }
        auto* bits = reinterpret_cast<quint32*>(image.bits());
        const int stride = int(image.bytesPerLine() / 4);
        for (int x = 0; x < w; ++x) {
            for (int y = 0; y < h; ++y)
                scratch[size_t(y)] = bits[y * stride + x];
            boxLine(scratch.data(), bits + x, h, stride, r, edge);
        }
    }
}
