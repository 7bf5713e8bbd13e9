#include "AppFixture.h"
#include "app/Commands.h"
#include "reminders/ReminderEngine.h"
#include "rest/RestCycle.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
void run(AppFixture& f, int seconds) {
    for (int i = 0; i < seconds; ++i) {
        f.clock.advanceSeconds(1);
        f.app->tick();
    }
}
} // namespace

class TestCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Nothing falls due meanwhile and nothing is made up: all starts afresh at the end.
    void aPauseHoldsEverythingThroughARestartUntilItsEnd_data() {
        QTest::addColumn<QString>("end");
        QTest::newRow("by the tick") << u"tick"_s;
        QTest::newRow("on waking from a suspend") << u"wake"_s;
        QTest::newRow("while Tovi was not running") << u"restart"_s;
    }
    void aPauseHoldsEverythingThroughARestartUntilItsEnd() {
        QFETCH(QString, end);
        AppFixture f;
        f.launch();
        QVERIFY(f.app->commands().pause(2 * 3600));
        const QDateTime until = localTime(2025, 3, 3, 12);
        run(f, 1300);
        f.restart();
        f.launch();
        QCOMPARE(f.app->commands().state(), Commands::State::paused);
        QCOMPARE(f.app->commands().pausedUntil(), until);
        QVERIFY(!f.app->reminders().first()->reminderTimer());
        run(f, 7200 - 1300 - 2);
        QVERIFY(f.eventsOf(StatsEventType::restStarted).isEmpty());
        QVERIFY(f.center.posted.isEmpty());

        f.clock.set(until.addSecs(5));
        if (end == u"tick"_s) {
            f.app->tick();
        } else if (end == u"wake"_s) {
            Q_EMIT f.workspace.didWake();
        } else {
            f.restart();
            f.launch();
        }
        QCOMPARE(f.app->commands().state(), Commands::State::working);
        QVERIFY(!f.defaults.contains(u"pausedUntil"_s));
        QVERIFY(f.app->restCycle().workSecondsRemaining() >= 1199);
        QCOMPARE(f.app->reminders().first()->nextReminderAt(), until.addSecs(5 + 45 * 60));
    }

    void aRestAndAPause() {
        AppFixture f;
        f.launch();
        // Asked for by hand, a rest comes while paused, and the pause outlasts it.
        f.app->commands().pause(600);
        f.entry(u"    立即闭眼充能"_s)->trigger();
        QCOMPARE(f.app->restCycle().source(), StatsEventSource::manual);
        QCOMPARE(f.app->commands().state(), Commands::State::resting);
        run(f, 21);
        QCOMPARE(f.app->commands().state(), Commands::State::paused);
        // A pause during a rest ends the rest as skipped.
        f.app->commands().resume();
        f.app->commands().rest();
        QVERIFY(f.app->commands().pause(60));
        QCOMPARE(f.eventsOf(StatsEventType::restSkipped).size(), 1);
        QCOMPARE(f.app->commands().state(), Commands::State::paused);
    }
};

QTEST_MAIN(TestCommands)
#include "TestCommands.moc"
