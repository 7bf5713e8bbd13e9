#include "stats/StatsStore.h"

#include <QDir>
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

void readMonthOf20000Events(benchmark::State& state) {
    QTemporaryDir dir;
    StatsStore store(dir.path());
    const StatsPayload payload{{u"plannedSeconds"_s, 20},
                               {u"actualSeconds"_s, 13},
                               {u"skippedSeconds"_s, 7},
                               {u"workDurationSeconds"_s, 1200},
                               {u"theme"_s, u"aurora"_s}};
    for (int i = 0; i < 20000; ++i)
        store.record(StatsEventType::restSkipped, StatsEventSource::scheduled, u"S"_s, payload,
                     monthStart.addSecs(i * 120));
    const QDateTime end = monthStart.addMonths(1);
    for (auto _ : state) {
        const auto events = store.events(monthStart, end);
        if (events.size() != 20000)
            state.SkipWithError("lost events");
        benchmark::DoNotOptimize(events.size());
    }
}
BENCHMARK(readMonthOf20000Events)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
