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
        , store(TestEnvironment::freshDirectory(u"cycle-%1"_s.arg(++count)))
        , cycle(&store, [] { return u"aurora"_s; }) {}
    QList<StatsEvent> events() const { return store.events(clock.now().addDays(-1), clock.now().addDays(1)); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            cycle.tick();
    }

    static inline int count = 0;
    FakeClock clock;
    StatsStore store;
    RestCycle cycle;
};
} // namespace

class TestRestCycle : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Work 3 s, rest 2 s: each counter shows 0 for a whole tick before it moves on.
    void theTicks_data() {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("resting");
        QTest::addColumn<qint64>("secondsLeft");
        QTest::addColumn<int>("events");
        QTest::newRow("at the start the work counts 3") << 0 << false << 3LL << 0;
        QTest::newRow("three ticks in it shows 0") << 3 << false << 0LL << 0;
        QTest::newRow("the fourth tick starts the rest") << 4 << true << 2LL << 1;
        QTest::newRow("the rest shows 0") << 6 << true << 0LL << 1;
        QTest::newRow("the next tick ends it and work starts over") << 7 << false << 3LL << 2;
        QTest::newRow("and counts down again") << 8 << false << 2LL << 2;
    }
    void theTicks() {
        QFETCH(int, ticks);
        QFETCH(bool, resting);
        QFETCH(qint64, secondsLeft);
        QFETCH(int, events);
        Rig r;
        r.cycle.setDurations(3, 2);
        QSignalSpy started(&r.cycle, &RestCycle::restStarted);
        QSignalSpy ended(&r.cycle, &RestCycle::restEnded);
        r.ticks(ticks);
        QCOMPARE(r.cycle.isResting(), resting);
        QCOMPARE(resting ? r.cycle.restSecondsRemaining() : r.cycle.workSecondsRemaining(), secondsLeft);
        QCOMPARE(r.events().size(), events);
        QCOMPARE(started.size(), events > 0 ? 1 : 0);
        QCOMPARE(ended.size(), events > 1 ? 1 : 0);
        QCOMPARE(r.cycle.sessionId().has_value(), resting);
    }

    void aRestIsOneSession() {
        Rig r;
        r.cycle.setDurations(3, 2);
        r.ticks(7);
        const auto events = r.events();
        const StatsEvent& started = events.at(0);
        const StatsEvent& completed = events.at(1);
        QCOMPARE(started.type, StatsEventType::restStarted);
        QCOMPARE(completed.type, StatsEventType::restCompleted);
        QVERIFY(started.sessionId && started.sessionId == completed.sessionId);
        QCOMPARE(*started.sessionId, started.sessionId->toUpper());
        QCOMPARE(completed.source, StatsEventSource::scheduled);
        QCOMPARE(started.payload.value(u"actualSeconds").intValue(), 0);
        const StatsPayload expected{{u"plannedSeconds"_s, 2},
                                    {u"actualSeconds"_s, 2},
                                    {u"skippedSeconds"_s, 0},
                                    {u"workDurationSeconds"_s, 3},
                                    {u"theme"_s, u"aurora"_s}};
        QCOMPARE(completed.payload, expected);
    }

    void skippingRecordsWhatWasLeft_data() {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<qint64>("actual");
        QTest::addColumn<qint64>("skipped");
        QTest::newRow("7 of 20 left") << 13 << 13LL << 7LL;
        QTest::newRow("at the last second") << 20 << 20LL << 0LL;
        QTest::newRow("at once") << 0 << 0LL << 20LL;
    }
    void skippingRecordsWhatWasLeft() {
        QFETCH(int, ticks);
        QFETCH(qint64, actual);
        QFETCH(qint64, skipped);
        Rig r;
        r.cycle.startRest(StatsEventSource::manual);
        r.ticks(ticks);
        QSignalSpy ended(&r.cycle, &RestCycle::restEnded);
        r.cycle.stopRest(u"skip"_s);
        // A second report from another screen changes nothing.
        r.cycle.stopRest(u"skip"_s);
        QCOMPARE(ended.size(), 1);
        const auto events = r.events();
        QCOMPARE(events.size(), 2);
        QCOMPARE(events.last().type, StatsEventType::restSkipped);
        QCOMPARE(events.last().source, StatsEventSource::manual);
        QCOMPARE(events.last().payload.value(u"actualSeconds").intValue(), actual);
        QCOMPARE(events.last().payload.value(u"skippedSeconds").intValue(), skipped);
        QCOMPARE(r.cycle.workSecondsRemaining(), 1200);
    }

    void aModeChangeDuringARestKeepsTheRest() {
        Rig r;
        r.cycle.startRest(StatsEventSource::manual);
        r.ticks(2);
        r.cycle.setDurations(2700, 300);
        QVERIFY(r.cycle.isResting());
        QCOMPARE(r.cycle.restSecondsRemaining(), 18);
        // The rest on screen is recorded at the length it started with.
        r.cycle.stopRest();
        auto payload = r.events().last().payload;
        QCOMPARE(payload.value(u"plannedSeconds").intValue(), 20);
        QCOMPARE(payload.value(u"actualSeconds").intValue(), 2);
        QCOMPARE(payload.value(u"workDurationSeconds").intValue(), 2700);
        QCOMPARE(r.cycle.workSecondsRemaining(), 2700);

        r.cycle.startRest(StatsEventSource::manual);
        r.cycle.setDurations(1200, 20);
        r.ticks(50);
        r.cycle.stopRest();
        payload = r.events().last().payload;
        QCOMPARE(payload.value(u"plannedSeconds").intValue(), 300);
        QCOMPARE(payload.value(u"actualSeconds").intValue(), 50);
    }
};

QTEST_GUILESS_MAIN(TestRestCycle)
#include "TestRestCycle.moc"
