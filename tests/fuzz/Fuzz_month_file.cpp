#include "stats/StatsReporter.h"
#include "stats/StatsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>

// A hand-edited or damaged month file. Each report must hold exactly the events
// a full read of the interval finds, in time order, and its sums must not
// overflow (UBSan stops the run if one does).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    static StatsStore store(dir.path());
    static const StatsReporter reporter(store, QLocale(QLocale::German, QLocale::Germany));
    {
        QFile file(store.eventsDirectory() + QStringLiteral("/2025-03.jsonl"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const QDateTime moment(QDate(2025, 3, 12), QTime(12, 0), Qt::UTC);
    // A day and a week cover the month in part, the month whole.
    for (const StatsReportScope& scope :
         {StatsReportScope::day(moment), StatsReportScope::week(moment), StatsReportScope::month(moment)}) {
        const StatsReport report = reporter.makeReport(scope);
        QList<StatsReportEvent> full;
        for (const StatsEvent& event : store.events(report.interval.start, report.interval.end))
            full.append(StatsReportEvent::from(event));
        std::stable_sort(full.begin(), full.end(),
                         [](const auto& a, const auto& b) { return a.msecs < b.msecs; });
        if (full != report.events)
            std::abort();
        for (const StatsDaySummary& day : report.days)
            (void)StatsReporter::formatDuration(day.restActualSeconds);
    }
    return 0;
}
