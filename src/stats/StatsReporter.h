#pragma once

#include "StatsEvent.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

class StatsStore;

// Which report, and the moment it is about.
struct StatsReportScope {
    enum class Kind { day, week, month };
    Kind kind = Kind::day;
    QDateTime reference;

    static StatsReportScope day(const QDateTime& d) { return {Kind::day, d}; }
    static StatsReportScope week(const QDateTime& d) { return {Kind::week, d}; }
    static StatsReportScope month(const QDateTime& d) { return {Kind::month, d}; }
};

// Half-open: start inclusive, end exclusive.
struct StatsInterval {
    QDateTime start;
    QDateTime end;
};

struct StatsDaySummary {
    QString dayKey;
    qint64 eventCount = 0;
    qint64 appLaunchCount = 0;
    qint64 restCompletedCount = 0;
    qint64 restSkippedCount = 0;
    qint64 restActualSeconds = 0;
    qint64 restSkippedSeconds = 0;
    qint64 hydrationCompletedCount = 0;
    qint64 hydrationSkippedCount = 0;
    qint64 hydrationSnoozedCount = 0;
    qint64 pelvicCompletedCount = 0;
    qint64 pelvicSkippedCount = 0;
    qint64 pelvicSnoozedCount = 0;
    qint64 pelvicGuidedSeconds = 0;

    // Sums saturate at the ends of the 64-bit range: a hand-edited payload
    // near the limit must not wrap a total around to its opposite sign.
    void apply(const StatsReportEvent& event);
    void apply(const StatsEvent& event) { apply(StatsReportEvent::from(event)); }
    // Adds every counter of `other`; the key stays.
    void add(const StatsDaySummary& other);
    // Snoozes count in neither.
    qint64 doneCount() const { return restCompletedCount + hydrationCompletedCount + pelvicCompletedCount; }
    qint64 missedCount() const { return restSkippedCount + hydrationSkippedCount + pelvicSkippedCount; }
    bool operator==(const StatsDaySummary&) const = default;
};

struct StatsReport {
    StatsReportScope scope;
    StatsInterval interval;
    QString rangeText;
    QString generatedAtText;
    StatsDaySummary total;
    QList<StatsDaySummary> days;
    QList<StatsReportEvent> events; // ascending by timestamp, store order among equals
    QString summaryLine;
};

// Folds the stored events of a day, week or month into a report. Keeps no
// state between calls; "now" comes from the Clock.
class StatsReporter {
public:
    // Weeks start on the locale's first weekday.
    explicit StatsReporter(const StatsStore& store, const QLocale& locale = QLocale::system());

    StatsReport makeReport(const StatsReportScope& scope) const;
    StatsInterval dateInterval(const StatsReportScope& scope) const;
    static QString eventText(const StatsReportEvent& event);
    static QString eventText(const StatsEvent& event) { return eventText(StatsReportEvent::from(event)); }
    static QString formatDuration(qint64 seconds);

    // The local day keys from the interval's first day up to its end.
    static QStringList days(const StatsInterval& interval);
    static QList<StatsDaySummary> summariesByDay(const QList<StatsReportEvent>& events,
                                                 const StatsInterval& interval);
    static StatsDaySummary makeTotalSummary(const QList<StatsDaySummary>& days);
    static QString rangeText(const StatsInterval& interval);

private:
    const StatsStore& m_store;
    Qt::DayOfWeek m_firstDayOfWeek;
};
