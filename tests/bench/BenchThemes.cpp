#include "themes/AuroraBackground.h"
#include "themes/RestingCatView.h"
#include "themes/UltramanTigaView.h"
#include "ui/Bands.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {
// Arguments: width, height, and whether only what moved is repainted (the
// fireflies' patches, the hero's animated region) or the whole screen.
struct Frame {
    explicit Frame(const benchmark::State& state)
        : rect(0, 0, double(state.range(0)), double(state.range(1)))
        , image(rect.size().toSize(), QImage::Format_ARGB32_Premultiplied)
        , partial(state.range(2) != 0) {
        image.fill(Qt::black);
    }
    QRectF rect;
    QImage image;
    bool partial;
};

// The aurora at 33 Hz: a tick, the backdrop with its fireflies and the cat.
void auroraFrame(benchmark::State& state) {
    Frame frame(state);
    AuroraBackground aurora;
    RestingCatView cat;
    const QRectF catSlot(frame.rect.center() - QPointF(100, 0), QSizeF(200, 200));
    double t = 0.0;
    {
        QPainter p(&frame.image);
        aurora.paint(p, frame.rect, t);
    }
    for (auto _ : state) {
        t += AuroraBackground::tickSeconds;
        const QRegion moved =
            aurora.tick(frame.rect.size()) + RestingCatView::paintedRect(catSlot).toAlignedRect();
        QPainter p(&frame.image);
        p.setRenderHint(QPainter::Antialiasing);
        if (frame.partial)
            p.setClipRegion(moved);
        aurora.paint(p, frame.rect, t);
        cat.paint(p, catSlot, 0.5, t);
        benchmark::DoNotOptimize(frame.image.constBits());
    }
}

// The hero at 25 Hz over its dark veil.
void heroFrame(benchmark::State& state) {
    Frame frame(state);
    UltramanTigaView hero(300, u"本集标题 · 打工人终于眨眼了"_s);
    double t = 2.0;
    for (auto _ : state) {
        t += 0.04;
        QPainter p(&frame.image);
        if (frame.partial)
            p.setClipRegion(hero.animatedRegion(frame.rect, 200, t));
        paintInBands(p, frame.rect, [&] { p.fillRect(frame.rect, QColor::fromRgbF(0, 0, 0, 0.72f)); });
        hero.paint(p, frame.rect, 200, t);
        benchmark::DoNotOptimize(frame.image.constBits());
    }
}

void frames(benchmark::internal::Benchmark* b) {
    for (int partial : {0, 1}) {
        b->Args({1920, 1080, partial});
        b->Args({3840, 2160, partial});
    }
    b->ArgNames({"w", "h", "partial"})
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}
BENCHMARK(auroraFrame)->Apply(frames);
BENCHMARK(heroFrame)->Apply(frames);
} // namespace
