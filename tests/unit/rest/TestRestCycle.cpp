#include "FakeClock.h"
#include "TestEnvironment.h"
#include "rest/RestCycle.h"
#include "stats/StatsStore.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
struct Rig {
    Rig()
        : clock(QDateTime(QDate(2025, 3, 1), QTime(9, 0), Qt::LocalTime))
        , store(TestEnvironment::freshDirectory(u"cycle"_s))
        , cycle(&store, [] { return u"aurora"_s; }) {}
    QList<StatsEvent> events() const { return store.events(clock.now().addDays(-1), clock.now().addDays(1)); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            cycle.tick();
    }

    FakeClock clock;
    StatsStore store;
    RestCycle cycle;
};
} // namespace

class TestRestCycle : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aRestIsRecordedOnce_data() {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("skip");
        QTest::addColumn<int>("actual");
        QTest::addColumn<int>("skipped");
        QTest::newRow("run out, it completes") << 21 << false << 20 << 0;
        QTest::newRow("skipped with 7 of 20 left") << 13 << true << 13 << 7;
        QTest::newRow("skipped at the last second") << 20 << true << 20 << 0;
        QTest::newRow("skipped at once") << 0 << true << 0 << 20;
    }
    void aRestIsRecordedOnce() {
        QFETCH(int, ticks);
        QFETCH(bool, skip);
        QFETCH(int, actual);
        QFETCH(int, skipped);
        Rig r;
        r.cycle.startRest(StatsEventSource::manual);
        QSignalSpy ended(&r.cycle, &RestCycle::restEnded);
        r.ticks(ticks);
        if (skip)
            r.cycle.stopRest(u"skip"_s);
        // A late report from another screen changes nothing.
        r.cycle.stopRest(u"skip"_s);
        QCOMPARE(ended.size(), 1);
        const auto events = r.events();
        QCOMPARE(events.size(), 2);
        QVERIFY(events[0].sessionId && events[0].sessionId == events[1].sessionId);
        QCOMPARE(*events[0].sessionId, events[0].sessionId->toUpper());
        QCOMPARE(events[1].type, skip ? StatsEventType::restSkipped : StatsEventType::restCompleted);
        QCOMPARE(events[1].source, StatsEventSource::manual);
        const StatsPayload expected{{u"plannedSeconds"_s, 20},
                                    {u"actualSeconds"_s, actual},
                                    {u"skippedSeconds"_s, skipped},
                                    {u"workDurationSeconds"_s, 1200},
                                    {u"theme"_s, u"aurora"_s}};
        QCOMPARE(events[1].payload, expected);
        QCOMPARE(r.cycle.workSecondsRemaining(), 1200);
    }

    void aModeChangeDuringARestKeepsTheRest() {
        Rig r;
        const auto recorded = [&](QStringView key) {
            return r.events().last().payload.value(key).intValue();
        };
        r.cycle.startRest(StatsEventSource::manual);
        r.ticks(2);
        r.cycle.setDurations(2700, 300);
        QCOMPARE(r.cycle.restSecondsRemaining(), 18);
        // The rest on screen keeps the length it started with; the next one takes the new.
        r.cycle.stopRest();
        QCOMPARE(recorded(u"plannedSeconds"), 20);
        QCOMPARE(recorded(u"workDurationSeconds"), 2700);
        QCOMPARE(r.cycle.workSecondsRemaining(), 2700);
        r.cycle.startRest(StatsEventSource::manual);
        r.cycle.setDurations(1200, 20);
        r.ticks(50);
        r.cycle.stopRest();
        QCOMPARE(recorded(u"plannedSeconds"), 300);
        QCOMPARE(recorded(u"actualSeconds"), 50);
    }
};

QTEST_GUILESS_MAIN(TestRestCycle)
#include "TestRestCycle.moc"
