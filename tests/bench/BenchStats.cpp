#include "cli/CsvExport.h"
#include "stats/StatsReporter.h"
#include "stats/StatsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {
const QDateTime monthStart(QDate(2025, 3, 1), QTime(0, 0), Qt::LocalTime);
const StatsPayload restPayload{{u"plannedSeconds"_s, 20},
                               {u"actualSeconds"_s, 13},
                               {u"skippedSeconds"_s, 7},
                               {u"workDurationSeconds"_s, 1200},
                               {u"theme"_s, u"aurora"_s}};

void recordOneEvent(benchmark::State& state) {
    QTemporaryDir dir;
    StatsStore store(dir.path());
    for (auto _ : state)
        store.record(StatsEventType::restSkipped, StatsEventSource::scheduled,
                     u"6F9619FF-8B86-D011-B42D-00CF4FC964FF"_s, restPayload, monthStart.addSecs(3600));
}
BENCHMARK(recordOneEvent);

// A store of 20,000 events a month in the shape Tovi writes them, across every type.
struct FilledStore {
    explicit FilledStore(int months) {
        const StatsPayload reminder{{u"countAfter"_s, 3}, {u"intervalMinutes"_s, 45}};
        for (int i = 0; i < months * 20000; ++i) {
            const auto type = StatsEventType(i % 12);
            const bool isRest = type == StatsEventType::restStarted ||
                                type == StatsEventType::restCompleted || type == StatsEventType::restSkipped;
            store.record(type, StatsEventSource::scheduled, isRest ? std::optional(u"S"_s) : std::nullopt,
                         isRest ? restPayload : reminder,
                         monthStart.addMonths(i / 20000).addSecs(i % 20000 * 120));
        }
    }
    QTemporaryDir dir;
    StatsStore store{dir.path()};
};

// Every line is read and parsed, then summed by day.
void monthReportOf20000Events(benchmark::State& state) {
    FilledStore filled(1);
    const StatsReporter reporter(filled.store);
    for (auto _ : state) {
        const StatsReport report = reporter.makeReport(StatsReportScope::month(monthStart.addDays(3)));
        if (report.total.eventCount != 20000)
            state.SkipWithError("lost events");
    }
}
BENCHMARK(monthReportOf20000Events)->Unit(benchmark::kMillisecond);

// A week that straddles two month files.
void weekReportAcrossAMonthBoundary(benchmark::State& state) {
    FilledStore filled(2);
    const StatsReporter reporter(filled.store, QLocale(QLocale::German, QLocale::Germany));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            reporter.makeReport(StatsReportScope::week(monthStart.addMonths(1))).days.size());
}
BENCHMARK(weekReportAcrossAMonthBoundary)->Unit(benchmark::kMillisecond);

// `tovi export --csv` of a year, 240,000 events, into /dev/null.
void exportAYearAsCsv(benchmark::State& state) {
    FilledStore filled(12);
    QFile sink(u"/dev/null"_s);
    sink.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (auto _ : state) {
        CsvExport exporter(filled.store.eventsDirectory(), {});
        if (!exporter.write(sink) || exporter.counts().events != 240000)
            state.SkipWithError("lost events");
    }
}
BENCHMARK(exportAYearAsCsv)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
