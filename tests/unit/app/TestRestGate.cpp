#include "AppFixture.h"
#include "app/Commands.h"
#include "app/RestHeadsUp.h"
#include "app/ToviCopy.h"
#include "rest/RestCycle.h"

#include <QAction>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Work a minute, rest 20 s.
struct Fixture : AppFixture {
    Fixture()
        : AppFixture({u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=60"_s,
                      u"customRestModeRestDuration=20"_s}) {}
    void run(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            clock.advanceSeconds(1);
            app->tick();
        }
    }
    void answer(const QString& action) {
        center.respond(RestHeadsUp::identifier, action);
        QCoreApplication::processEvents();
    }
    QString headsUpCategory() const { return center.live.value(RestHeadsUp::identifier).categoryIdentifier; }
    qint64 started(QStringView key) const {
        return eventsOf(StatsEventType::restStarted).last().payload.value(key).intValue().value_or(-1);
    }
    // Makes `what` hold: a busy reason, or the user leaves.
    void hold(const QString& what) {
        if (what == u"full"_s || what == u"dnd"_s)
            busy.set(what == u"full"_s ? BusyReason::fullScreen : BusyReason::doNotDisturb);
        else if (what == u"inhibitor"_s)
            busy.setInhibited(true);
        else if (what == u"idle"_s) {
            clock.advanceSeconds(20);
            Q_EMIT idle.idled(20);
        } else
            Q_EMIT(what == u"sleep"_s ? workspace.willSleep() : workspace.screensDidLock());
    }
    // The busy reason ends and the user is back after `away` seconds, however they left.
    void release(int away) {
        busy.set(BusyReason::none);
        Q_EMIT idle.resumed(away);
        Q_EMIT workspace.didWake();
        Q_EMIT workspace.sessionDidBecomeActive();
    }
    qsizetype natural() const {
        return std::ranges::count(eventsOf(StatsEventType::restCompleted), StatsEventSource::system,
                                  &StatsEvent::source);
    }
};
} // namespace

class TestRestGate : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aDueRestWaits_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("waitingFor");
        QTest::newRow("full-screen") << u"full"_s << u"full-screen"_s;
        QTest::newRow("do not disturb") << u"dnd"_s << u"do-not-disturb"_s;
        QTest::newRow("an inhibitor") << u"inhibitor"_s << u"inhibitor"_s;
        QTest::newRow("away from the keyboard") << u"idle"_s << u"away"_s;
        QTest::newRow("the screen locked") << u"lock"_s << u"away"_s;
    }
    void aDueRestWaits() {
        QFETCH(QString, what);
        QFETCH(QString, waitingFor);
        Fixture f;
        f.launch();
        f.run(25);
        f.hold(what);
        // No heads-up over it, no rest when due: the line and the bus say why.
        f.run(50);
        QVERIFY(f.center.posted.isEmpty());
        QVERIFY(!f.app->isResting());
        QCOMPARE(f.app->commands().waitingFor(), waitingFor);
        QCOMPARE(f.app->commands().nextRestAt(), std::nullopt);
        QCOMPARE(f.status(), ToviCopy::waitingStatusLine(f.app->restGate().waitingFor()));
        // Within seconds of its end the rest starts and says how long it waited;
        // time away instead counts as the rest.
        f.busy.setInhibited(false);
        f.release(75);
        f.run(4);
        QCOMPARE(f.app->isResting(), waitingFor != u"away"_s);
        QCOMPARE(f.app->commands().waitingFor(), QString());
        if (f.app->isResting())
            QCOMPARE(f.started(u"waitedSeconds"), 15);
        else
            QCOMPARE(f.natural(), 1);
    }

    void timeAway_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("away");
        QTest::addColumn<QString>("inhibited");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("counts");
        QTest::newRow("idle past the rest's length") << u"idle"_s << 45 << u""_s << false << true;
        QTest::newRow("locked shorter than a rest") << u"lock"_s << 10 << u""_s << false << false;
        QTest::newRow("suspended for ten minutes") << u"sleep"_s << 600 << u""_s << false << true;
        QTest::newRow("idle under an inhibitor") << u"idle"_s << 45 << u"idle"_s << false << false;
        QTest::newRow("an inhibitor taken meanwhile") << u"idle"_s << 45 << u"return"_s << false << false;
        QTest::newRow("paused") << u"lock"_s << 600 << u""_s << true << false;
        QTest::newRow("locked over a rest, which ends") << u"rest"_s << 600 << u""_s << false << true;
        QTest::newRow("a rest sat through untouched counts once")
            << u"rested"_s << 5 << u""_s << false << false;
    }
    void timeAway() {
        QFETCH(QString, how);
        QFETCH(int, away);
        QFETCH(QString, inhibited);
        QFETCH(bool, paused);
        QFETCH(bool, counts);
        Fixture f;
        f.launch();
        QCOMPARE(f.idle.watched(), 20);
        if (paused)
            f.app->commands().pause(3600);
        f.busy.setInhibited(inhibited == u"idle"_s);
        if (how.startsWith(u"rest"_s))
            f.app->commands().rest();
        if (how == u"rested"_s) {
            f.run(21);
            Q_EMIT f.idle.idled(41);
        } else {
            f.hold(how);
        }
        f.clock.advanceSeconds(away - (how == u"idle"_s ? 20 : 0));
        f.busy.setInhibited(!inhibited.isEmpty());
        f.release(how == u"rested"_s ? 41 + away : away);
        QCOMPARE(f.natural(), counts ? 1 : 0);
        QCOMPARE(f.idle.watched(), paused ? 0 : 20);
        QVERIFY(!f.app->isResting());
        if (!counts)
            return;
        const auto events = f.events().last(2);
        QVERIFY(events[0].type == StatsEventType::restStarted && events[0].sessionId == events[1].sessionId);
        QCOMPARE(events[1].payload.value(u"idleSeconds").intValue(), away);
        QCOMPARE(f.app->commands().secondsToRest(), 60);
        QCOMPARE(f.status(), ToviCopy::naturalRestLine());
    }

    // Put off twice, the third heads-up only offers the rest, which then carries both.
    void postponingIsCapped() {
        Fixture f;
        f.launch();
        for (const QString& category :
             {u"REST_HEADS_UP"_s, u"REST_HEADS_UP"_s, u"REST_HEADS_UP_LAST_CALL"_s}) {
            f.run(f.app->commands().secondsToRest() - 30);
            QCOMPARE(f.headsUpCategory(), category);
            f.answer(u"REST_POSTPONE"_s);
        }
        QCOMPARE(f.app->commands().secondsToRest(), 30);
        f.run(31);
        QVERIFY(f.app->isResting());
        QCOMPARE(f.started(u"postponedSeconds"), 600);
        QVERIFY(f.center.live.isEmpty());
    }

    void theHeadsUpIsLeftOut_data() {
        QTest::addColumn<QString>("why");
        QTest::newRow("switched off") << u"off"_s;
        QTest::newRow("no server") << u"server"_s;
        QTest::newRow("a pause meanwhile") << u"pause"_s;
    }
    void theHeadsUpIsLeftOut() {
        QFETCH(QString, why);
        Fixture f;
        f.launch();
        if (why == u"off"_s)
            f.entry(u"    休息前 30 秒提醒我"_s)->trigger();
        f.center.authorized = why != u"server"_s;
        f.run(31);
        if (why == u"pause"_s)
            f.app->commands().pause(60);
        QVERIFY(f.center.live.isEmpty());
        QVERIFY(f.alerts.shown.isEmpty());
        QCOMPARE(f.app->commands().headsUpEnabled(), why != u"off"_s);
    }

    // A rest that waited an hour asks; "wait on" asks again an hour later.
    void anHoursWaitAsks() {
        Fixture f;
        f.launch();
        f.busy.set(BusyReason::fullScreen);
        f.run(61 + 3600);
        QCOMPARE(f.headsUpCategory(), u"REST_WAITED_LONG"_s);
        f.answer(u"REST_WAIT"_s);
        f.run(3599);
        QVERIFY(f.center.live.isEmpty());
        f.run(1);
        f.answer(u"REST_NOW"_s);
        QVERIFY(f.app->isResting());
        QCOMPARE(f.started(u"waitedSeconds"), 7200);
    }
};

QTEST_MAIN(TestRestGate)
#include "TestRestGate.moc"
