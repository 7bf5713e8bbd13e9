#include "platform/Defaults.h"
#include "rest/RestView.h"

#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {
// One full frame as the rest window paints it: backdrop glows moved on, ring,
// tip and skip control; the clock advances a tenth of a second per frame.
void renderRestFrame(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    QTemporaryDir dir;
    Defaults defaults(dir.path() + u"/Tovi.conf"_s);
    double t = 0.0;
    qint64 seconds = 20;
    RestView view(
        20, [&] { return seconds; }, QString(), nullptr, defaults);
    view.setAnimationClock([&] { return t; });
    view.resize(size);
    view.show();
    QImage frame(size, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        t += 0.1;
        view.breathingTick();
        frame.fill(Qt::transparent);
        view.render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(renderRestFrame)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
} // namespace
