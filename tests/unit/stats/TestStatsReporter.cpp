#include "FakeClock.h"
#include "TestEnvironment.h"
#include "stats/StatsReporter.h"
#include "stats/StatsStore.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Recorded = QList<std::pair<StatsEventType, StatsPayload>>;
Q_DECLARE_METATYPE(StatsReportScope)

namespace {
using T = StatsEventType;
} // namespace

class TestStatsReporter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TestEnvironment::useTimeZone("Europe/Berlin"); }

    void intervals_data() {
        QTest::addColumn<StatsReportScope>("scope");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("firstLastCount");
        QTest::addColumn<QString>("range");
        const QLocale de(QLocale::German, QLocale::Germany);
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("a day is one row captioned by its own key")
            << StatsReportScope::day(localTime(2025, 3, 5, 23)) << de
            << QStringList{u"2025-03-05"_s, u"2025-03-05"_s, u"1"_s} << u"2025-03-05"_s;
        QTest::newRow("a German week starts on Monday")
            << StatsReportScope::week(localTime(2025, 3, 5)) << de
            << QStringList{u"2025-03-03"_s, u"2025-03-09"_s, u"7"_s} << u"2025-03-03 ~ 2025-03-09"_s;
        QTest::newRow("an American week starts on Sunday and may cross a month")
            << StatsReportScope::week(localTime(2025, 3, 1)) << us
            << QStringList{u"2025-02-23"_s, u"2025-03-01"_s, u"7"_s} << u"2025-02-23 ~ 2025-03-01"_s;
        QTest::newRow("a week over the spring clock change still has seven days")
            << StatsReportScope::week(localTime(2025, 3, 30, 12)) << de
            << QStringList{u"2025-03-24"_s, u"2025-03-30"_s, u"7"_s} << u"2025-03-24 ~ 2025-03-30"_s;
        QTest::newRow("February of a leap year has 29 rows")
            << StatsReportScope::month(localTime(2024, 2, 10)) << de
            << QStringList{u"2024-02-01"_s, u"2024-02-29"_s, u"29"_s} << u"2024-02-01 ~ 2024-02-29"_s;
    }

    void intervals() {
        QFETCH(StatsReportScope, scope);
        QFETCH(QLocale, locale);
        QFETCH(QStringList, firstLastCount);
        QFETCH(QString, range);
        FakeClock clock(localTime(2025, 3, 10, 9));
        StatsStore store(TestEnvironment::freshDirectory(u"intervals"_s));
        const StatsReport report = StatsReporter(store, locale).makeReport(scope);
        QCOMPARE(report.days.size(), firstLastCount[2].toInt());
        QCOMPARE(report.days.first().dayKey, firstLastCount[0]);
        QCOMPARE(report.days.last().dayKey, firstLastCount[1]);
        QCOMPARE(report.rangeText, range);
        QCOMPARE(report.generatedAtText, u"2025-03-10 09:00:00"_s);
        QCOMPARE(report.total, StatsDaySummary{u"total"_s});
        QCOMPARE(report.summaryLine, u"今天还没开始维护，身体客服正在待机。"_s);
    }

    void summary_data() {
        QTest::addColumn<Recorded>("events");
        // restActual, restSkipped, guided, done, missed
        QTest::addColumn<QList<qint64>>("figures");
        QTest::addColumn<bool>("clean");
        QTest::newRow("a completed rest without actualSeconds falls back to plannedSeconds")
            << Recorded{{T::restCompleted, {{u"plannedSeconds"_s, 20}}}, {T::restCompleted, {}}}
            << QList<qint64>{20, 0, 0, 2, 0} << true;
        QTest::newRow("a skipped rest never falls back to plannedSeconds")
            << Recorded{{T::restSkipped,
                         {{u"plannedSeconds"_s, 20}, {u"actualSeconds"_s, 12}, {u"skippedSeconds"_s, 8}}}}
            << QList<qint64>{12, 8, 0, 0, 1} << false;
        QTest::newRow("numbers written as digit strings count, booleans count 0")
            << Recorded{{T::restCompleted, {{u"actualSeconds"_s, u"30"_s}}},
                        {T::pelvicCompleted, {{u"guidedSeconds"_s, true}}},
                        {T::pelvicCompleted, {{u"guidedSeconds"_s, 2.9}}}}
            << QList<qint64>{30, 0, 2, 3, 0} << true;
        QTest::newRow("one hydration skip among completions turns the verdict")
            << Recorded{{T::hydrationCompleted, {}}, {T::hydrationSkipped, {}}, {T::appLaunched, {}}}
            << QList<qint64>{0, 0, 0, 1, 1} << false;
        QTest::newRow("one pelvic skip turns the verdict; snoozes and prompts count in neither")
            << Recorded{{T::pelvicSkipped, {}}, {T::pelvicSnoozed, {}}, {T::hydrationPromptShown, {}}}
            << QList<qint64>{0, 0, 0, 0, 1} << false;
    }

    void summary() {
        QFETCH(Recorded, events);
        QFETCH(QList<qint64>, figures);
        QFETCH(bool, clean);
        FakeClock clock(localTime(2025, 3, 5, 20));
        StatsStore store(TestEnvironment::freshDirectory(u"summary"_s));
        for (const auto& [type, payload] : events)
            store.record(type, StatsEventSource::scheduled, std::nullopt, payload, localTime(2025, 3, 5, 10));
        const StatsReport report = StatsReporter(store).makeReport(StatsReportScope::week(clock.now()));
        const StatsDaySummary& t = report.total;
        QCOMPARE((QList<qint64>{t.restActualSeconds, t.restSkippedSeconds, t.pelvicGuidedSeconds,
                                t.doneCount(), t.missedCount()}),
                 figures);
        QCOMPARE(t.eventCount, events.size());
        QCOMPARE(report.days.size(), 7);
        QCOMPARE(report.days[2].eventCount, events.size());
        QCOMPARE(report.summaryLine,
                 clean ? u"今天维护记录很干净，身体客服给你一个无声好评。"_s
                       : u"完成不少，但也跳过了一些。Tovi 不审判你，只把身体的小本本摊开给你看。"_s);
    }

    void eventsSortStablyAndStrayKeysGetTheirOwnRow() {
        FakeClock clock(localTime(2025, 3, 5, 20));
        StatsStore store(TestEnvironment::freshDirectory(u"order"_s));
        // The later of two equal keys wins, so the fields replace the line's own.
        const auto line = [](const QString& id, const QString& time, const QString& day) {
            return TestEnvironment::statsLine(u"2025-03-05T"_s + time + u'Z', u"app_launched"_s, u"{}"_s,
                                              u",\"id\":\"%1\",\"dayKey\":\"%2\""_s.arg(id, day)) +
                   '\n';
        };
        QVERIFY(TestEnvironment::writeFile(
            store.eventsDirectory() + u"/2025-03.jsonl"_s,
            line(u"late"_s, u"12:00:00"_s, u"2025-03-05"_s) + line(u"b"_s, u"09:00:00"_s, u"2025-03-05"_s) +
                line(u"a"_s, u"09:00:00"_s, u"2025-03-05"_s) + line(u"c"_s, u"09:00:00"_s, u"1999-01-01"_s)));
        const StatsReport report = StatsReporter(store).makeReport(StatsReportScope::day(clock.now()));
        QStringList ids;
        for (const StatsEvent& e : report.events)
            ids << e.id;
        QCOMPARE(ids, (QStringList{u"b"_s, u"a"_s, u"c"_s, u"late"_s}));
        QCOMPARE(report.days.size(), 2);
        QCOMPARE(report.days.first().dayKey, u"1999-01-01"_s);
        QCOMPARE(report.total.appLaunchCount, 4);
    }

    void texts_data() {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const auto event = [](T type, const StatsPayload& payload) {
            StatsEvent e;
            e.type = type;
            e.payload = payload;
            return StatsReporter::eventText(e);
        };
        QTest::newRow("0 seconds") << StatsReporter::formatDuration(0) << u"0 秒"_s;
        QTest::newRow("negative seconds") << StatsReporter::formatDuration(-5) << u"0 秒"_s;
        QTest::newRow("59 seconds") << StatsReporter::formatDuration(59) << u"59 秒"_s;
        QTest::newRow("60 seconds") << StatsReporter::formatDuration(60) << u"1 分钟"_s;
        QTest::newRow("125 seconds") << StatsReporter::formatDuration(125) << u"2 分 5 秒"_s;
        QTest::newRow("3600 seconds") << StatsReporter::formatDuration(3600) << u"1 小时 0 分钟"_s;
        QTest::newRow("3725 seconds") << StatsReporter::formatDuration(3725) << u"1 小时 2 分 5 秒"_s;
        QTest::newRow("a started rest without its plan")
            << event(T::restStarted, {}) << u"护眼开始（计划 ? 秒）"_s;
        QTest::newRow("a completed rest shows a double as written")
            << event(T::restCompleted, {{u"actualSeconds"_s, 100000.0}}) << u"护眼完成，休息 100000.0 秒"_s;
        QTest::newRow("a skipped rest without figures")
            << event(T::restSkipped, {{u"actualSeconds"_s, 12}}) << u"护眼跳过，已休息 12 秒，跳过 0 秒"_s;
        QTest::newRow("a snoozed pelvic reminder") << event(T::pelvicSnoozed, {}) << u"提肛延后"_s;
    }

    void texts() {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }
};

QTEST_MAIN(TestStatsReporter)
#include "TestStatsReporter.moc"
