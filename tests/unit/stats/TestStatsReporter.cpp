#include "FakeClock.h"
#include "Pixels.h"
#include "TestEnvironment.h"
#include "stats/StatsReportView.h"
#include "stats/StatsReporter.h"
#include "stats/StatsStore.h"

#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

using Recorded = QList<std::pair<StatsEventType, StatsPayload>>;
Q_DECLARE_METATYPE(StatsReportScope)

using T = StatsEventType;

static QDateTime local(int d, int h) {
    return localTime(2025, 3, d, h);
}

class TestStatsReporter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TestEnvironment::useTimeZone("Europe/Berlin"); }

    // `days`: the first and last day key and the number of rows.
    void intervals_data() {
        QTest::addColumn<StatsReportScope>("scope");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("days");
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("a day is one row captioned by its own key")
            << StatsReportScope::day(localTime(2025, 3, 5, 23)) << de << u"2025-03-05 2025-03-05 1"_s;
        QTest::newRow("a German week starts on Monday")
            << StatsReportScope::week(localTime(2025, 3, 5)) << de << u"2025-03-03 2025-03-09 7"_s;
        QTest::newRow("an American week starts on Sunday and may cross a month")
            << StatsReportScope::week(localTime(2025, 3, 1))
            << QLocale(QLocale::English, QLocale::UnitedStates) << u"2025-02-23 2025-03-01 7"_s;
        QTest::newRow("a week over the spring clock change still has seven days")
            << StatsReportScope::week(localTime(2025, 3, 30, 12)) << de << u"2025-03-24 2025-03-30 7"_s;
        QTest::newRow("February of a leap year has 29 rows")
            << StatsReportScope::month(localTime(2024, 2, 10)) << de << u"2024-02-01 2024-02-29 29"_s;
    }
    void intervals() {
        QFETCH(StatsReportScope, scope);
        QFETCH(QLocale, locale);
        QFETCH(QString, days);
        FakeClock clock(localTime(2025, 3, 10, 9));
        StatsStore store(TestEnvironment::freshDirectory(u"intervals"_s));
        const StatsReport report = StatsReporter(store, locale).makeReport(scope);
        const QStringList expected = days.split(u' ');
        QCOMPARE(
            u"%1 %2 %3"_s.arg(report.days.first().dayKey, report.days.last().dayKey).arg(report.days.size()),
            days);
        QCOMPARE(report.rangeText,
                 expected[0] == expected[1] ? expected[0] : expected[0] + u" ~ "_s + expected[1]);
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
        constexpr qint64 huge = Q_INT64_C(9000000000000000000);
        QTest::newRow("sums near the 64-bit limit saturate instead of wrapping")
            << Recorded{{T::restSkipped, {{u"actualSeconds"_s, huge}, {u"skippedSeconds"_s, -huge}}},
                        {T::restSkipped, {{u"actualSeconds"_s, huge}, {u"skippedSeconds"_s, -huge}}}}
            << QList<qint64>{std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::min(), 0, 0, 2}
            << false;
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
        QCOMPARE(report.days[2].eventCount, events.size());
        QCOMPARE(report.summaryLine,
                 clean ? u"今天维护记录很干净，身体客服给你一个无声好评。"_s
                       : u"完成不少，但也跳过了一些。Tovi 不审判你，只把身体的小本本摊开给你看。"_s);
    }

    // Each line carries its number as "actualSeconds"; the report must find what a full read finds.
    void eventsSortStablyAndOutOfOrderLinesAreFound() {
        FakeClock clock(localTime(2025, 3, 5, 20));
        StatsStore store(TestEnvironment::freshDirectory(u"order"_s));
        // The later of two equal keys wins, so the fields replace the line's own.
        const auto line = [](int n, const QString& time, const QString& day = u"2025-03-05"_s) {
            return TestEnvironment::statsLine(time.size() > 8 ? time : u"2025-03-05T"_s + time + u'Z',
                                              u"rest_completed"_s, u"{\"actualSeconds\":%1}"_s.arg(n),
                                              u",\"dayKey\":\"%1\""_s.arg(day)) +
                   '\n';
        };
        const QByteArray far = line(8, u"2025-03-20T09:00:00Z"_s);
        QVERIFY(TestEnvironment::writeFile(
            store.eventsDirectory() + u"/2025-03.jsonl"_s,
            line(1, u"12:00:00"_s) + line(2, u"09:00:00"_s) + far + line(3, u"09:00:00"_s) +
                line(4, u"09:00:00"_s, u"1999-01-01"_s) + far +
                line(5, u"10:00:00"_s).replace("\"timestamp\":", "\"timestamp\" : ") +
                line(6, u"11:00:00"_s).replace("\"timestamp\"", "\"\\u0074imestamp\"") + far.chopped(2) +
                ",\"timestamp\":\"2025-03-05T13:00:00Z\",\"payload\":{\"actualSeconds\":7}}\n"));
        const StatsReport report = StatsReporter(store).makeReport(StatsReportScope::day(clock.now()));
        QList<qint64> order;
        for (const StatsReportEvent& e : report.events)
            order << *e.number(StatsReportEvent::actualSeconds)->intValue();
        QCOMPARE(order, (QList<qint64>{2, 3, 4, 5, 6, 1, 7}));
        QList<StatsReportEvent> full;
        for (const StatsEvent& e : store.events(report.interval.start, report.interval.end))
            full << StatsReportEvent::from(e);
        std::stable_sort(full.begin(), full.end(), [](auto& a, auto& b) { return a.msecs < b.msecs; });
        QVERIFY(full == report.events);
        QCOMPARE(report.days.size(), 2);
        QCOMPARE(report.days.first().dayKey, u"1999-01-01"_s);
        QCOMPARE(report.total.restActualSeconds, 28);
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
        // Done as hydrations, missed as skipped rests.
        const auto score = [](int done, int missed) {
            StatsDaySummary total;
            total.hydrationCompletedCount = done;
            total.restSkippedCount = missed;
            const int score = StatsReportView::maintenanceScore(total);
            return QString::number(score) + u' ' + StatsReportView::scoreLabel(score);
        };
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
        QTest::newRow("9 done, 1 missed is excellent") << score(9, 1) << u"90 身体客服：优秀"_s;
        QTest::newRow("7 done, 3 missed is fine") << score(7, 3) << u"70 还行，没太嘎"_s;
        QTest::newRow("2 done, 3 missed opens the notebook") << score(2, 3) << u"40 小本本已打开"_s;
        QTest::newRow("0 done, 5 missed is hard going") << score(0, 5) << u"0 今天有点硬撑"_s;
        QTest::newRow("1 done, 2 missed rounds down to 33") << score(1, 2) << u"33 今天有点硬撑"_s;
    }

    void texts() {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void rendersWhatThePersonShouldSee_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("score");
        QTest::addColumn<QString>("values");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("timeline"); // timeline rows; -1: the empty card
        QTest::newRow("an empty day: zeros, one row, the empty card")
            << u"empty day"_s << u"0"_s << u"0|0 秒|0|0"_s << 1 << -1;
        QTest::newRow("a busy day: one timeline row per event")
            << u"busy day"_s << u"83"_s << u"4|1 分 20 秒|1|0"_s << 1 << 6;
        QTest::newRow("a busy week: totals, seven rows, no timeline")
            << u"busy week"_s << u"87"_s << u"12|274348 小时 29 分 21 秒|1|0"_s << 7 << 0;
    }

    void rendersWhatThePersonShouldSee() {
        QFETCH(QString, kind);
        QFETCH(QString, score);
        QFETCH(QString, values);
        QFETCH(int, rows);
        QFETCH(int, timeline);
        FakeClock clock(local(5, 20));
        StatsStore store(TestEnvironment::freshDirectory(u"view"_s));
        const bool week = kind == u"busy week"_s;
        if (kind != u"empty day"_s) {
            // One rest so long that its total cannot fit its card.
            store.record(StatsEventType::restSkipped, StatsEventSource::scheduled, u"S"_s,
                         {{u"actualSeconds"_s, 987654321}}, local(9, 9));
            for (int i = 0; i < 12; ++i)
                store.record(StatsEventType::restCompleted, StatsEventSource::scheduled, u"S"_s,
                             {{u"actualSeconds"_s, 20}}, local(3 + i % 3, 10 + i));
            store.record(StatsEventType::hydrationCompleted, StatsEventSource::notification, std::nullopt, {},
                         local(4, 9));
            store.record(StatsEventType::pelvicSkipped, StatsEventSource::notification, std::nullopt, {},
                         local(4, 9));
        }
        const StatsReporter reporter(store, QLocale(QLocale::German, QLocale::Germany));
        const StatsReport report =
            reporter.makeReport(week ? StatsReportScope::week(clock.now())
                                     : StatsReportScope::day(local(kind == u"busy day"_s ? 4 : 6, 12)));
        StatsReportView view(report);
        view.resize(900, 720);
        const QImage image = view.grab().toImage();

        QCOMPARE(view.findChild<QLabel*>(u"score"_s)->text(), score);
        QStringList shown;
        for (const QLabel* value : view.findChildren<QLabel*>(u"metricValue"_s)) {
            shown << value->toolTip();
            // A value that does not fit shrinks to its floor, then elides on its one line.
            if (value->text() != value->toolTip())
                QVERIFY(value->text().endsWith(u"…"_s) && value->font().pixelSize() == qFloor(28 * 0.72));
        }
        QCOMPARE(shown.join(u'|'), values);
        if (week)
            QVERIFY(view.findChildren<QLabel*>(u"metricValue"_s).at(1)->text().endsWith(u"…"_s));
        QCOMPARE(view.findChildren<QWidget*>(u"dailyRow"_s).size(), rows);
        QCOMPARE(view.findChildren<QWidget*>(u"timelineRow"_s).size(), std::max(timeline, 0));
        QCOMPARE(view.findChildren<QWidget*>(u"emptyTimeline"_s).size(), timeline < 0 ? 1 : 0);
        // The gradient fills the corners; the cards share the width equally.
        QVERIFY(qGray(image.pixel(2, 2)) < 40);
        const auto cards = view.findChildren<QWidget*>(u"metricCard"_s);
        QVERIFY(std::abs(cards.first()->width() - cards.last()->width()) <= 1);
        // The timeline's icons come out in colour, not as outlines or not at all.
        for (QWidget* row : view.findChildren<QWidget*>(u"timelineRow"_s)) {
            const QImage icon = row->grab(QRect(14, 8, 24, 24)).toImage();
            const int coloured =
                Pixels::count(icon, {}, [](QRgb p) { return QColor(p).hsvSaturation() > 90; });
            QVERIFY2(coloured > 10, qPrintable(row->accessibleName()));
        }
        // Escape closes the window, and so does Ctrl+W.
        view.show();
        QTest::keyClick(&view, week ? Qt::Key_W : Qt::Key_Escape,
                        week ? Qt::ControlModifier : Qt::NoModifier);
        QVERIFY(!view.isVisible());
    }
};

QTEST_MAIN(TestStatsReporter)
#include "TestStatsReporter.moc"
