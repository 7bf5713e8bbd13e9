#include "FakeClock.h"
#include "TestEnvironment.h"
#include "stats/StatsReportView.h"
#include "stats/StatsStore.h"

#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QDateTime local(int d, int h) {
    return localTime(2025, 3, d, h);
}
QStringList texts(const QWidget& view, const QString& name) {
    QStringList out;
    for (const QLabel* l : view.findChildren<QLabel*>(name))
        out << l->text();
    return out;
}
} // namespace

class TestStatsReportView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TestEnvironment::useTimeZone("Europe/Berlin"); }

    void scores_data() {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("missed");
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("label");
        QTest::newRow("9 done, 1 missed is excellent") << 9 << 1 << 90 << u"身体客服：优秀"_s;
        QTest::newRow("7 done, 3 missed is fine") << 7 << 3 << 70 << u"还行，没太嘎"_s;
        QTest::newRow("2 done, 3 missed opens the notebook") << 2 << 3 << 40 << u"小本本已打开"_s;
        QTest::newRow("0 done, 5 missed is hard going") << 0 << 5 << 0 << u"今天有点硬撑"_s;
        QTest::newRow("1 done, 2 missed rounds down to 33") << 1 << 2 << 33 << u"今天有点硬撑"_s;
    }

    void scores() {
        QFETCH(int, done);
        QFETCH(int, missed);
        QFETCH(int, score);
        QFETCH(QString, label);
        StatsDaySummary total;
        total.hydrationCompletedCount = done;
        total.restSkippedCount = missed;
        QCOMPARE(StatsReportView::maintenanceScore(total), score);
        QCOMPARE(StatsReportView::scoreLabel(score), label);
    }

    void rendersWhatThePersonShouldSee_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("score");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("timeline"); // timeline rows; -1: the empty card
        QTest::newRow("an empty day: zeros, one row, the empty card")
            << u"empty day"_s << u"0"_s << QStringList{u"0"_s, u"0 秒"_s, u"0"_s, u"0"_s} << 1 << -1;
        QTest::newRow("a busy day: one timeline row per event")
            << u"busy day"_s << u"83"_s << QStringList{u"4"_s, u"1 分 20 秒"_s, u"1"_s, u"0"_s} << 1 << 6;
        QTest::newRow("a busy week: totals, seven rows, no timeline")
            << u"busy week"_s << u"87"_s << QStringList{u"12"_s, u"274348 小时 29 分 21 秒"_s, u"1"_s, u"0"_s}
            << 7 << 0;
    }

    void rendersWhatThePersonShouldSee() {
        QFETCH(QString, kind);
        QFETCH(QString, score);
        QFETCH(QStringList, values);
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
        image.save(TestEnvironment::freshDirectory(kind) + u"/report.png"_s);

        QCOMPARE(texts(view, u"score"_s), QStringList{score});
        QStringList shown;
        for (const QLabel* value : view.findChildren<QLabel*>(u"metricValue"_s)) {
            shown << value->toolTip();
            // A value that does not fit shrinks to its floor, then elides on its one line.
            if (value->text() != value->toolTip())
                QVERIFY(value->text().endsWith(u"…"_s) && value->font().pixelSize() == qFloor(28 * 0.72));
        }
        QCOMPARE(shown, values);
        if (week)
            QVERIFY(view.findChildren<QLabel*>(u"metricValue"_s).at(1)->text().endsWith(u"…"_s));
        QCOMPARE(view.findChildren<QWidget*>(u"dailyRow"_s).size(), rows);
        QCOMPARE(view.findChildren<QWidget*>(u"timelineRow"_s).size(), std::max(timeline, 0));
        QCOMPARE(view.findChildren<QWidget*>(u"emptyTimeline"_s).size(), timeline < 0 ? 1 : 0);
        // The gradient fills the corners; the cards share the width equally.
        QVERIFY(qGray(image.pixel(2, 2)) < 40);
        const auto cards = view.findChildren<QWidget*>(u"metricCard"_s);
        QVERIFY(std::abs(cards.first()->width() - cards.last()->width()) <= 1);
        QCOMPARE(cards.first()->height(), 126);
        // The timeline's icons come out in colour, not as outlines or not at all.
        for (QWidget* row : view.findChildren<QWidget*>(u"timelineRow"_s)) {
            const QImage icon = row->grab(QRect(14, 8, 24, 24)).toImage();
            int coloured = 0;
            for (int y = 0; y < icon.height(); ++y)
                for (int x = 0; x < icon.width(); ++x)
                    coloured += QColor(icon.pixel(x, y)).hsvSaturation() > 90;
            QVERIFY2(coloured > 10, qPrintable(row->accessibleName()));
        }
    }
};

QTEST_MAIN(TestStatsReportView)
#include "TestStatsReportView.moc"
