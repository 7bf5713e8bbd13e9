#include "stats/StatsReporter.h"
#include "stats/StatsStore.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {
const QDateTime monthStart(QDate(2025, 3, 1), QTime(0, 0), Qt::LocalTime);

void recordOneEvent(benchmark::State& state) {
    QTemporaryDir dir;
    StatsStore store(dir.path());
    const StatsPayload payload{{u"plannedSeconds"_s, 20},
                               {u"actualSeconds"_s, 20},
                               {u"skippedSeconds"_s, 0},
                               {u"workDurationSeconds"_s, 1200},
                               {u"theme"_s, u"aurora"_s}};
    const QString session = u"6F9619FF-8B86-D011-B42D-00CF4FC964FF"_s;
    for (auto _ : state)
        store.record(StatsEventType::restCompleted, StatsEventSource::scheduled, session, payload,
                     monthStart.addSecs(3600));
}
BENCHMARK(recordOneEvent);

// A store of 20,000 events a month in the shape Tovi writes them, across every type.
struct FilledStore {
    explicit FilledStore(int months) {
        for (int m = 0; m < months; ++m)
            fillMonth(monthStart.addMonths(m));
    }
    void fillMonth(const QDateTime& start) {
        const StatsPayload rest{{u"plannedSeconds"_s, 20},
                                {u"actualSeconds"_s, 13},
                                {u"skippedSeconds"_s, 7},
                                {u"workDurationSeconds"_s, 1200},
                                {u"theme"_s, u"aurora"_s}};
        const StatsPayload reminder{{u"countAfter"_s, 3}, {u"intervalMinutes"_s, 45}};
        for (int i = 0; i < 20000; ++i) {
            const auto type = StatsEventType(i % 12);
            const bool isRest = type == StatsEventType::restStarted ||
                                type == StatsEventType::restCompleted || type == StatsEventType::restSkipped;
            store.record(type, StatsEventSource::scheduled, isRest ? std::optional(u"S"_s) : std::nullopt,
                         isRest ? rest : reminder, start.addSecs(i * 120));
        }
    }
    QTemporaryDir dir;
    StatsStore store{dir.path()};
};

void readMonthOf20000Events(benchmark::State& state) {
    FilledStore filled(1);
    for (auto _ : state) {
        const auto events = filled.store.events(monthStart, monthStart.addMonths(1));
        if (events.size() != 20000)
            state.SkipWithError("lost events");
        benchmark::DoNotOptimize(events.size());
    }
}
BENCHMARK(readMonthOf20000Events)->Unit(benchmark::kMillisecond);

void monthReportOf20000Events(benchmark::State& state) {
    FilledStore filled(1);
    const StatsReporter reporter(filled.store);
    for (auto _ : state) {
        const StatsReport report = reporter.makeReport(StatsReportScope::month(monthStart.addDays(3)));
        if (report.total.eventCount != 20000)
            state.SkipWithError("lost events");
        benchmark::DoNotOptimize(report.days.size());
    }
}
BENCHMARK(monthReportOf20000Events)->Unit(benchmark::kMillisecond);

// A week that straddles two month files.
void weekReportAcrossAMonthBoundary(benchmark::State& state) {
    FilledStore filled(2);
    const StatsReporter reporter(filled.store, QLocale(QLocale::German, QLocale::Germany));
    for (auto _ : state) {
        const StatsReport report = reporter.makeReport(StatsReportScope::week(monthStart.addMonths(1)));
        benchmark::DoNotOptimize(report.days.size());
    }
}
BENCHMARK(weekReportAcrossAMonthBoundary)->Unit(benchmark::kMillisecond);

void parseTimestamp(benchmark::State& state) {
    const QString text = u"2025-03-01T08:15:30Z"_s;
    for (auto _ : state)
        benchmark::DoNotOptimize(parseStatsTimestamp(text));
}
BENCHMARK(parseTimestamp);
} // namespace

BENCHMARK_MAIN();
