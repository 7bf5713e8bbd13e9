#include "FakeWallpapers.h"
#include "platform/Defaults.h"
#include "rest/RestView.h"

#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {
// One whole frame of each theme as the rest window paints it, as after a
// glow step or a change of theme: backdrop, figure, ring, tip and skip
// control; the clock advances a tenth of a second per frame.
// Arguments: width, height, theme (0 aurora, 1 wallpaper, 2 ultraman).
void renderRestFrame(benchmark::State& state) {
    const QSize size(int(state.range(0)), int(state.range(1)));
    const RestTheme theme = RestThemes::allCases().at(state.range(2));
    QTemporaryDir dir;
    Defaults defaults(dir.path() + u"/Tovi.conf"_s);
    ThemeSetting themes(defaults);
    themes.select(theme);
    FakeWallpapers wallpapers;
    QImage photo(1920, 1080, QImage::Format_RGB32);
    photo.fill(QColor(60, 140, 90));
    wallpapers.publish(photo);
    double t = 2.0;
    qint64 seconds = 20;
    RestView view(
        20, [&] { return seconds; }, u"本集标题 · 打工人终于眨眼了"_s, nullptr, themes, &wallpapers);
    view.setAnimationClock([&] { return t; });
    view.resize(size);
    view.show();
    QImage frame(size, QImage::Format_ARGB32_Premultiplied);
    state.SetLabel(RestThemes::rawValue(theme).toStdString());
    for (auto _ : state) {
        t += 0.1;
        view.breathingTick();
        frame.fill(Qt::transparent);
        view.render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(renderRestFrame)
    ->ArgsProduct({{1920}, {1080}, {0, 1, 2}})
    ->ArgsProduct({{3840}, {2160}, {0, 1, 2}})
    ->ArgNames({"w", "h", "theme"})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
} // namespace
