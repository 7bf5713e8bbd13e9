#include "FakeWallpapers.h"
#include "themes/WallpaperBackground.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {
// Scaling and blurring cost the same whatever the pixels hold.
QImage photo() {
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(QColor(60, 140, 90));
    return image;
}

// One steady frame of the backdrop with the photo shown at the default radius.
void wallpaperFrame(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    FakeWallpapers wallpapers;
    wallpapers.publish(photo());
    WallpaperBackground backdrop(wallpapers, WallpaperBackground::defaultBlurRadius);
    QImage frame(size, QImage::Format_ARGB32_Premultiplied);
    double t = 0.0;
    for (auto _ : state) {
        QPainter p(&frame);
        backdrop.paint(p, QRectF(QPointF(0, 0), size), t += 1.0 / 60);
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
}

// What a new radius costs on the worker: crop, reduce, blur, scale up, veil.
void wallpaperBlurOneRadius(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    const QImage source = photo();
    for (auto _ : state)
        benchmark::DoNotOptimize(WallpaperBackground::compose(source, 15, size).constBits());
}

void screens(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080})
        ->Args({3840, 2160})
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}
BENCHMARK(wallpaperFrame)->Apply(screens);
BENCHMARK(wallpaperBlurOneRadius)->Apply(screens);
} // namespace
