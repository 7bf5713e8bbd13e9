#include <QApplication>
#include <benchmark/benchmark.h>

// The benchmarks that paint need a GUI application; offscreen, so they run
// without a display and measure the raster engine alone.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
