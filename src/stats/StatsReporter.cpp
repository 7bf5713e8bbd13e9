#include "StatsReporter.h"

#include "StatsStore.h"
#include "platform/Clock.h"

#include <QMap>
#include <algorithm>
#include <limits>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Number = StatsReportEvent::Number;

qint64 number(const StatsReportEvent& event, Number key) {
    const auto& value = event.number(key);
    return value ? value->intValue().value_or(0) : 0;
}

QString shown(const StatsReportEvent& event, Number key, const QString& missing) {
    const auto& value = event.number(key);
    return value ? value->stringValue() : missing;
}

void addTo(qint64& sum, qint64 value) {
    if (__builtin_add_overflow(sum, value, &sum))
        sum = value < 0 ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
}

// The local day of `moment`, from its first valid moment (a day may begin in a
// daylight-saving gap) to the next day's.
StatsInterval dayOf(const QDate& day) {
    return {day.startOfDay(Qt::LocalTime), day.addDays(1).startOfDay(Qt::LocalTime)};
}

} // namespace

void StatsDaySummary::apply(const StatsReportEvent& event) {
    ++eventCount;
    switch (event.type) {
    case StatsEventType::appLaunched:
        ++appLaunchCount;
        break;
    case StatsEventType::restStarted:
    case StatsEventType::hydrationPromptShown:
    case StatsEventType::pelvicPromptShown:
        break;
    case StatsEventType::restCompleted: {
        ++restCompletedCount;
        const auto& actual = event.number(Number::actualSeconds);
        const auto actualInt = actual ? actual->intValue() : std::nullopt;
        addTo(restActualSeconds, actualInt ? *actualInt : number(event, Number::plannedSeconds));
        break;
    }
    case StatsEventType::restSkipped:
        ++restSkippedCount;
        addTo(restActualSeconds, number(event, Number::actualSeconds));
        addTo(restSkippedSeconds, number(event, Number::skippedSeconds));
        break;
    case StatsEventType::hydrationCompleted:
        ++hydrationCompletedCount;
        break;
    case StatsEventType::hydrationSkipped:
        ++hydrationSkippedCount;
        break;
    case StatsEventType::hydrationSnoozed:
        ++hydrationSnoozedCount;
        break;
    case StatsEventType::pelvicCompleted:
        ++pelvicCompletedCount;
        addTo(pelvicGuidedSeconds, number(event, Number::guidedSeconds));
        break;
    case StatsEventType::pelvicSkipped:
        ++pelvicSkippedCount;
        break;
    case StatsEventType::pelvicSnoozed:
        ++pelvicSnoozedCount;
        break;
    }
}

void StatsDaySummary::add(const StatsDaySummary& o) {
    addTo(eventCount, o.eventCount);
    addTo(appLaunchCount, o.appLaunchCount);
    addTo(restCompletedCount, o.restCompletedCount);
    addTo(restSkippedCount, o.restSkippedCount);
    addTo(restActualSeconds, o.restActualSeconds);
    addTo(restSkippedSeconds, o.restSkippedSeconds);
    addTo(hydrationCompletedCount, o.hydrationCompletedCount);
    addTo(hydrationSkippedCount, o.hydrationSkippedCount);
    addTo(hydrationSnoozedCount, o.hydrationSnoozedCount);
    addTo(pelvicCompletedCount, o.pelvicCompletedCount);
    addTo(pelvicSkippedCount, o.pelvicSkippedCount);
    addTo(pelvicSnoozedCount, o.pelvicSnoozedCount);
    addTo(pelvicGuidedSeconds, o.pelvicGuidedSeconds);
}

StatsReporter::StatsReporter(const StatsStore& store, const QLocale& locale)
    : m_store(store)
    , m_firstDayOfWeek(locale.firstDayOfWeek()) {}

StatsInterval StatsReporter::dateInterval(const StatsReportScope& scope) const {
    const QDate day = scope.reference.toLocalTime().date();
    switch (scope.kind) {
    case StatsReportScope::Kind::day:
        break;
    case StatsReportScope::Kind::week: {
        const QDate first = day.addDays(-((day.dayOfWeek() - int(m_firstDayOfWeek) + 7) % 7));
        return {first.startOfDay(Qt::LocalTime), first.addDays(7).startOfDay(Qt::LocalTime)};
    }
    case StatsReportScope::Kind::month: {
        const QDate first(day.year(), day.month(), 1);
        return {first.startOfDay(Qt::LocalTime), first.addMonths(1).startOfDay(Qt::LocalTime)};
    }
    }
    return dayOf(day);
}

StatsReport StatsReporter::makeReport(const StatsReportScope& scope) const {
    StatsReport report;
    report.scope = scope;
    report.interval = dateInterval(scope);
    report.events = m_store.reportEvents(report.interval.start, report.interval.end);
    // Files are written in time order, so this is nearly always a check.
    if (!std::is_sorted(report.events.cbegin(), report.events.cend(),
                        [](const auto& a, const auto& b) { return a.msecs < b.msecs; }))
        std::stable_sort(report.events.begin(), report.events.end(),
                         [](const auto& a, const auto& b) { return a.msecs < b.msecs; });

    report.days = summariesByDay(report.events, report.interval);
    report.total = makeTotalSummary(report.days);
    report.rangeText = rangeText(report.interval);
    report.generatedAtText = Clock::now().toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s);
    if (report.total.eventCount == 0)
        report.summaryLine = u"今天还没开始维护，身体客服正在待机。"_s;
    else if (report.total.missedCount() == 0)
        report.summaryLine = u"今天维护记录很干净，身体客服给你一个无声好评。"_s;
    else
        report.summaryLine = u"完成不少，但也跳过了一些。Tovi 不审判你，只把身体的小本本摊开给你看。"_s;
    return report;
}

QStringList StatsReporter::days(const StatsInterval& interval) {
    QStringList keys;
    for (QDate day = interval.start.toLocalTime().date();
         day.isValid() && day.startOfDay(Qt::LocalTime) < interval.end; day = day.addDays(1))
        keys.append(StatsStore::dayKey(day.startOfDay(Qt::LocalTime)));
    return keys;
}

QList<StatsDaySummary> StatsReporter::summariesByDay(const QList<StatsReportEvent>& events,
                                                     const StatsInterval& interval) {
    QMap<QString, StatsDaySummary> byKey;
    for (const QString& key : days(interval))
        byKey.insert(key, StatsDaySummary{key});
    // Events of one day come together; look the key up only when it changes.
    StatsDaySummary* current = nullptr;
    for (const StatsReportEvent& event : events) {
        if (!current || current->dayKey != event.dayKey) {
            auto it = byKey.find(event.dayKey);
            if (it == byKey.end())
                it = byKey.insert(event.dayKey, StatsDaySummary{event.dayKey});
            current = &*it;
        }
        current->apply(event);
    }
    return byKey.values();
}

StatsDaySummary StatsReporter::makeTotalSummary(const QList<StatsDaySummary>& days) {
    StatsDaySummary total{u"total"_s};
    for (const StatsDaySummary& day : days)
        total.add(day);
    return total;
}

QString StatsReporter::rangeText(const StatsInterval& interval) {
    const QString first = interval.start.toLocalTime().toString(u"yyyy-MM-dd"_s);
    const QString last = interval.end.addSecs(-1).toLocalTime().toString(u"yyyy-MM-dd"_s);
    return first == last ? first : first + u" ~ "_s + last;
}

QString StatsReporter::eventText(const StatsReportEvent& event) {
    switch (event.type) {
    case StatsEventType::appLaunched:
        return u"Tovi 启动"_s;
    case StatsEventType::restStarted:
        return u"护眼开始（计划 "_s + shown(event, Number::plannedSeconds, u"?"_s) + u" 秒）"_s;
    case StatsEventType::restCompleted:
        return u"护眼完成，休息 "_s + shown(event, Number::actualSeconds, u"?"_s) + u" 秒"_s;
    case StatsEventType::restSkipped:
        return u"护眼跳过，已休息 "_s + shown(event, Number::actualSeconds, u"0"_s) + u" 秒，跳过 "_s +
               shown(event, Number::skippedSeconds, u"0"_s) + u" 秒"_s;
    case StatsEventType::hydrationPromptShown:
        return u"喝水提醒出现"_s;
    case StatsEventType::hydrationCompleted:
        return u"喝水完成"_s;
    case StatsEventType::hydrationSkipped:
        return u"喝水跳过"_s;
    case StatsEventType::hydrationSnoozed:
        return u"喝水延后"_s;
    case StatsEventType::pelvicPromptShown:
        return u"提肛提醒出现"_s;
    case StatsEventType::pelvicCompleted:
        return u"提肛完成"_s;
    case StatsEventType::pelvicSkipped:
        return u"提肛跳过"_s;
    case StatsEventType::pelvicSnoozed:
        return u"提肛延后"_s;
    }
    return QString();
}

QString StatsReporter::formatDuration(qint64 s) {
    if (s < 1)
        return u"0 秒"_s;
    if (s < 60)
        return QString::number(s) + u" 秒"_s;
    const qint64 h = s / 3600;
    const qint64 m = (s / 60) % 60;
    const qint64 r = s % 60;
    QString text = h > 0 ? QString::number(h) + u" 小时 "_s : QString();
    text += r == 0 ? QString::number(m) + u" 分钟"_s
                   : QString::number(m) + u" 分 "_s + QString::number(r) + u" 秒"_s;
    return text;
}
