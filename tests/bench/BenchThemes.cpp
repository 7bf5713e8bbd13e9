#include "themes/AuroraBackground.h"
#include "themes/RestingCatView.h"
#include "themes/UltramanTigaView.h"
#include "ui/Bands.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {
// Arguments: the width of a 16:9 screen, and whether only what moved is repainted
// (the fireflies' patches, the hero's animated region) or the whole screen.
QRectF screenOf(const benchmark::State& state) {
    return {0, 0, double(state.range(0)), state.range(0) * 9 / 16.0};
}

// The aurora at 33 Hz: a tick, the backdrop with its fireflies and the cat.
void auroraFrame(benchmark::State& state) {
    const QRectF rect = screenOf(state);
    const bool partial = state.range(1) != 0;
    QImage image(rect.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    AuroraBackground aurora;
    RestingCatView cat;
    const QRectF catSlot(rect.center() - QPointF(100, 0), QSizeF(200, 200));
    double t = 0.0;
    for (auto _ : state) {
        t += AuroraBackground::tickSeconds;
        const QRegion moved = aurora.tick(rect.size()) + RestingCatView::paintedRect(catSlot).toAlignedRect();
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        if (partial)
            p.setClipRegion(moved);
        aurora.paint(p, rect, t, !partial);
        cat.paint(p, catSlot, 0.5, t);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The hero at 25 Hz over its dark veil.
void heroFrame(benchmark::State& state) {
    const QRectF rect = screenOf(state);
    const bool partial = state.range(1) != 0;
    QImage image(rect.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    UltramanTigaView hero(300, u"本集标题 · 打工人终于眨眼了"_s);
    double t = 2.0;
    for (auto _ : state) {
        t += 0.04;
        QPainter p(&image);
        if (partial)
            p.setClipRegion(hero.animatedRegion(rect, 200, t));
        paintInBands(p, rect, [&] { p.fillRect(rect, QColor::fromRgbF(0, 0, 0, 0.72f)); });
        hero.paint(p, rect, 200, t);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void frames(benchmark::internal::Benchmark* b) {
    b->ArgsProduct({{1920, 3840}, {0, 1}})
        ->ArgNames({"w", "partial"})
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}
BENCHMARK(auroraFrame)->Apply(frames);
BENCHMARK(heroFrame)->Apply(frames);
} // namespace
