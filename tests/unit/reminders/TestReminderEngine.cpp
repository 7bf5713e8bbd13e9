#include "ReminderRig.h"
#include "platform/NotificationCenter.h"

#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
const QString hydrationId = u"hydration-reminder"_s;
const QString dayStartedKey = u"hydrationReminderDayStartedAt"_s;
} // namespace

class TestReminderEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theOldDayIsWipedAfterMidnightUntilAWakeBeginsTheNext() {
        ReminderRig rig(localTime(2025, 3, 3, 23, 50));
        rig.hydration.start();
        rig.hydration.recordCount(StatsEventSource::manual);
        // Past the old day's next moment: it must not fire into the new day.
        rig.clock.set(localTime(2025, 3, 4, 0, 40));
        rig.hydration.fireReminderIfNeeded();
        QVERIFY(rig.center.posted.isEmpty());
        QVERIFY(!rig.hydration.reminderTimer() && !rig.hydration.nextReminderAt());
        QVERIFY(!rig.defaults.contains(dayStartedKey));
        QCOMPARE(rig.hydration.count(), 0);
        QVERIFY(rig.center.removed.contains(hydrationId));

        rig.clock.set(localTime(2025, 3, 4, 7, 30));
        Q_EMIT rig.workspace.screensDidWake();
        QCOMPARE(rig.hydration.nextReminderAt(), localTime(2025, 3, 4, 8, 15));
        QVERIFY(rig.hydration.reminderTimer());
    }

    void aResumeAfterStopOrSwitchOffBeginsNoDay_data() {
        QTest::addColumn<bool>("stopped");
        QTest::newRow("stopped") << true;
        QTest::newRow("switched off") << false;
    }
    void aResumeAfterStopOrSwitchOffBeginsNoDay() {
        QFETCH(bool, stopped);
        ReminderRig rig;
        rig.hydration.start();
        stopped ? rig.hydration.stop() : rig.hydration.setEnabled(false);
        rig.clock.set(localTime(2025, 3, 4, 8, 0));
        Q_EMIT rig.workspace.sessionDidBecomeActive();
        QVERIFY(!rig.hydration.reminderTimer());
        QVERIFY(!rig.hydration.hasStartedToday());
    }

    void timerDelay_data() {
        QTest::addColumn<qint64>("untilNextMs");
        QTest::addColumn<int>("expectedMs");
        QTest::newRow("an hour overdue waits the 1 s minimum") << qint64(-3600'000) << 1000;
        QTest::newRow("0.4 s ahead waits 1 s") << qint64(400) << 1000;
        QTest::newRow("a century ahead is capped at the timer's limit")
            << qint64(100LL * 366 * 24 * 3600 * 1000) << std::numeric_limits<int>::max();
    }
    void timerDelay() {
        QFETCH(qint64, untilNextMs);
        QFETCH(int, expectedMs);
        ReminderRig rig;
        rig.hydration.start();
        rig.defaults.setDate(u"hydrationReminderNextReminderAt"_s, rig.clock.now().addMSecs(untilNextMs));
        rig.hydration.scheduleTimerIfNeeded();
        QVERIFY(rig.hydration.reminderTimer()->isSingleShot());
        QCOMPARE(rig.hydration.reminderTimer()->interval(), expectedMs);
    }

    void aTimerEndingBeforeItsMomentReaimsInsteadOfReminding() {
        ReminderRig rig;
        rig.hydration.start();
        // The clock was set back, or the wait was longer than a timer holds.
        rig.clock.set(localTime(2025, 3, 3, 9, 30));
        rig.hydration.reminderTimerFired();
        QVERIFY(rig.center.posted.isEmpty());
        QCOMPARE(rig.hydration.reminderTimer()->interval(), 75 * 60 * 1000);
    }

    void anUnansweredReminderComesBackEveryTenMinutes() {
        ReminderRig rig;
        rig.fired(u"hydration"_s);
        const NotificationRequest first = rig.center.posted.value(0);
        QVERIFY(ReminderRows::hydration().copy.reminders.contains(ReminderText{first.title, first.body}));
        QCOMPARE(rig.hydration.nextReminderAt(), rig.clock.now().addSecs(600));
        QCOMPARE(rig.eventsOf(StatsEventType::hydrationPromptShown).size(), 1);

        rig.center.removed.clear();
        rig.clock.advanceSeconds(600);
        rig.hydration.reminderTimerFired();
        // The old one is taken down first: at most one is ever visible.
        QCOMPARE(rig.center.removed, QStringList{hydrationId});
        QCOMPARE(rig.center.posted.size(), 2);
        QCOMPARE(rig.center.live.size(), 1);
    }

    void aReminderDueDuringARestWaitsAndComesFiveSecondsAfterIt() {
        ReminderRig rig;
        rig.pelvic.setResting(true);
        rig.fired(u"pelvic"_s);
        QVERIFY(rig.center.posted.isEmpty());
        QCOMPARE(rig.pelvic.nextReminderAt(), rig.clock.now().addSecs(60));
        // Still resting a minute later: another 60 s.
        rig.clock.advanceSeconds(60);
        rig.pelvic.reminderTimerFired();
        QVERIFY(rig.center.posted.isEmpty());
        QCOMPARE(rig.pelvic.nextReminderAt(), rig.clock.now().addSecs(60));

        rig.clock.advanceSeconds(20);
        rig.pelvic.setResting(false);
        QVERIFY(!rig.pelvic.deferredReminderAfterRest());
        QCOMPARE(rig.pelvic.nextReminderAt(), rig.clock.now().addSecs(5));
        rig.clock.advanceSeconds(5);
        rig.pelvic.reminderTimerFired();
        QCOMPARE(rig.center.posted.size(), 1);
        QVERIFY(rig.center.posted.first().body.endsWith(u"\n\n"_s +
                                                        ReminderRows::pelvicFloor().copy.instruction));
        // Without a deferred reminder the end of a rest changes nothing.
        const auto next = rig.pelvic.nextReminderAt();
        rig.pelvic.setResting(false);
        QCOMPARE(rig.pelvic.nextReminderAt(), next);
    }

    void aCountFromAnotherDayIsStale() {
        ReminderRig rig;
        rig.hydration.start();
        rig.defaults.setInteger(u"hydrationReminderDrinkCount"_s, 7);
        rig.defaults.setDate(u"hydrationReminderDrinkCountDate"_s, localTime(2025, 3, 2, 22, 0));
        QCOMPARE(rig.hydration.statusText(), u"💧 今日 0 杯 · 下次吨吨吨 45:00"_s);
        rig.hydration.recordCount(StatsEventSource::manual);
        QCOMPARE(rig.eventsOf(StatsEventType::hydrationCompleted).first().payload.value(u"countAfter"),
                 StatsPayloadValue(1));
        QCOMPARE(rig.defaults.date(u"hydrationReminderDrinkCountDate"_s), rig.clock.now());
    }

    void aSetBeforeTheDayBeganBeginsIt() {
        ReminderRig rig;
        rig.pelvic.recordCount(StatsEventSource::manual, 0);
        QVERIFY(rig.pelvic.hasStartedToday());
        QCOMPARE(rig.pelvic.count(), 1);
        QCOMPARE(rig.pelvic.nextReminderAt(), rig.clock.now().addSecs(3600));
    }

    // A notification's action ("confirm" for the reminder's own), or the
    // alert's button ("alert 0") when no server is there.
    void answers_data() {
        QTest::addColumn<QString>("twin");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("outcome"); // -1 refused, 0 skipped, 1 counted, 2 snoozed
        const QString dismiss = NotificationCenter::dismissActionIdentifier;
        QTest::newRow("hydration: drank counts") << u"hydration"_s << u"confirm"_s << 1;
        QTest::newRow("hydration: dismissal skips") << u"hydration"_s << dismiss << 0;
        QTest::newRow("hydration: body click does nothing")
            << u"hydration"_s << NotificationCenter::defaultActionIdentifier << -1;
        QTest::newRow("pelvic: complete counts") << u"pelvic"_s << u"confirm"_s << 1;
        QTest::newRow("hydration: the alert's confirmation counts") << u"hydration"_s << u"alert 0"_s << 1;
        QTest::newRow("hydration: the alert's 下次一定 skips") << u"hydration"_s << u"alert 1"_s << 0;
        QTest::newRow("pelvic: the alert closed without a button skips") << u"pelvic"_s << u"alert -1"_s << 0;
        QTest::newRow("hydration: 稍后提醒 snoozes") << u"hydration"_s << u"snooze"_s << 2;
        QTest::newRow("pelvic: the alert's 稍后提醒 snoozes") << u"pelvic"_s << u"alert 2"_s << 2;
    }
    void answers() {
        QFETCH(QString, twin);
        QFETCH(QString, action);
        QFETCH(int, outcome);
        const bool viaAlert = action.startsWith(u"alert "_s);
        const bool pelvic = twin == u"pelvic"_s;
        ReminderRig rig;
        rig.center.authorized = !viaAlert;
        rig.alerts.script = {action.mid(6).toInt()};
        QStringList skipLines;
        connect(&rig.engine(twin), &ReminderEngine::skipped, this,
                [&skipLines](const QString& line) { skipLines << line; });
        ReminderEngine& engine = rig.fired(twin);
        const QDateTime firedAt = rig.clock.now();
        if (viaAlert) {
            // Never inside the timer's callback.
            QVERIFY(rig.alerts.shown.isEmpty());
            TestEnvironment::settle();
            QVERIFY(rig.center.posted.isEmpty());
            QCOMPARE(rig.alerts.shown.size(), 1);
            const AlertRequest alert = rig.alerts.shown.first();
            QCOMPARE(alert.buttons, (QStringList{pelvic ? u"底盘保养 +1"_s : u"水分充值 +1"_s, u"下次一定"_s,
                                                 u"稍后提醒"_s}));
            QCOMPARE(alert.informativeText.endsWith(ReminderRows::pelvicFloor().copy.instruction), pelvic);
        } else {
            rig.clock.advanceSeconds(30);
            const ReminderProfile& p = engine.profile();
            const QString sent = action == u"confirm"_s  ? p.confirmActionIdentifier
                                 : action == u"snooze"_s ? p.snoozeActionIdentifier
                                                         : action;
            QCOMPARE(
                engine.handleNotificationResponse({p.notificationIdentifier, p.categoryIdentifier, sent}),
                outcome >= 0);
        }
        const StatsEventSource source =
            viaAlert ? StatsEventSource::scheduled : StatsEventSource::notification;
        QCOMPARE(rig.eventsOf(engine.profile().promptShownType).value(0).source, StatsEventSource::scheduled);
        QCOMPARE(engine.count(), outcome == 1 ? 1 : 0);
        const auto skips = rig.eventsOf(engine.profile().skippedType);
        QCOMPARE(skips.size(), outcome == 0 ? 1 : 0);
        QCOMPARE(skipLines.size(), skips.size());
        const QStringList roasts = rig.engine(twin).row().copy.skipLines;
        for (const StatsEvent& skip : skips) {
            QVERIFY(roasts.contains(skipLines.first()));
            QCOMPARE(skip.source, source);
            QCOMPARE(skip.payload.value(u"intervalMinutes"), StatsPayloadValue(engine.intervalMinutes()));
        }
        const auto snoozes = rig.eventsOf(engine.profile().snoozedType);
        QCOMPARE(snoozes.size(), outcome == 2 ? 1 : 0);
        if (outcome == 2) {
            QCOMPARE(snoozes.first().source, source);
            QCOMPARE(engine.nextReminderAt(), rig.clock.now().addSecs(600));
            rig.clock.advanceSeconds(600);
            engine.reminderTimerFired();
            TestEnvironment::settle();
            QCOMPARE(rig.eventsOf(engine.profile().promptShownType).size(), 2);
            return;
        }
        // Only a count moves the schedule, and it wins over the repeat of the firing.
        if (outcome < 1) {
            QCOMPARE(engine.nextReminderAt(), firedAt.addSecs(600));
            return;
        }
        QCOMPARE(engine.nextReminderAt(), rig.clock.now().addSecs(engine.intervalMinutes() * 60));
        QVERIFY(rig.center.live.isEmpty());
        const StatsEvent done = rig.eventsOf(engine.profile().completedType).value(0);
        QCOMPARE(done.source, source);
        QCOMPARE(done.payload.value(u"intervalMinutes"), StatsPayloadValue(engine.intervalMinutes()));
        // Only the pelvic-floor set says how long it was guided.
        QCOMPARE(done.payload.get(u"guidedSeconds"),
                 pelvic ? std::optional(StatsPayloadValue(0)) : std::nullopt);
    }

    // The reminder is the one the expected text starts with; it has counted 2 today.
    void statusTexts_data() {
        QTest::addColumn<QString>("state");    // on, off, or waiting for the day to begin
        QTest::addColumn<double>("untilNext"); // seconds to the stored next moment; NaN for none
        QTest::addColumn<QString>("expected");
        const double none = std::nan("");
        QTest::newRow("due comes before off") << u"off"_s << -5.0 << u"💧 今日 2 杯 · 水分余额不足"_s;
        QTest::newRow("due this second") << u"on"_s << 0.0 << u"🫧 今日 2 次 · 底盘保养时间到"_s;
        QTest::newRow("switched off") << u"off"_s << 300.0 << u"🫧 底盘保养：已下线"_s;
        QTest::newRow("waiting for the day") << u"waiting"_s << none << u"💧 水分雷达待机中，等今天首次唤醒"_s;
        QTest::newRow("no next moment") << u"on"_s << none << u"🫧 今日 2 次 · 下一组装填中"_s;
        QTest::newRow("59:59 is in seconds") << u"on"_s << 3599.0 << u"💧 今日 2 杯 · 下次吨吨吨 59:59"_s;
        QTest::newRow("an hour is in hours")
            << u"on"_s << 3600.0 << u"🫧 今日 2 次 · 下次保养 1小时0分"_s;
        QTest::newRow("part seconds round up") << u"on"_s << 2699.7 << u"💧 今日 2 杯 · 下次吨吨吨 45:00"_s;
        QTest::newRow("1.1 s gone is 1 s less") << u"on"_s << 2698.9 << u"💧 今日 2 杯 · 下次吨吨吨 44:59"_s;
    }
    void statusTexts() {
        QFETCH(QString, state);
        QFETCH(double, untilNext);
        QFETCH(QString, expected);
        ReminderRig rig;
        ReminderEngine& engine = rig.engine(expected.startsWith(u"🫧"_s) ? u"pelvic"_s : u"hydration"_s);
        const ReminderProfile& p = engine.profile();
        rig.defaults.setBoolean(p.enabledKey, state != u"off"_s);
        if (state != u"waiting"_s)
            rig.defaults.setDate(p.dayStartedAtKey, localTime(2025, 3, 3, 8, 0));
        rig.defaults.setInteger(p.countKey, 2);
        rig.defaults.setDate(p.countDateKey, localTime(2025, 3, 3, 8, 30));
        if (!std::isnan(untilNext))
            rig.defaults.setDate(p.nextReminderAtKey, rig.clock.now().addMSecs(qRound64(untilNext * 1000)));
        QCOMPARE(engine.statusText(), expected);
    }

    void storedIntervals_data() {
        QTest::addColumn<QString>("twin");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<qint64>("effectiveMinutes");
        QTest::newRow("hydration: 0 reads as 45") << u"hydration"_s << u"0"_s << qint64(45);
        QTest::newRow("pelvic: garbage reads as 60") << u"pelvic"_s << u"ten"_s << qint64(60);
        QTest::newRow("hydration: 90 is kept") << u"hydration"_s << u"90"_s << qint64(90);
        QTest::newRow("hydration: a huge value is held to a year")
            << u"hydration"_s << u"9223372036854775807"_s << ReminderEngine::maximumIntervalMinutes;
    }
    void storedIntervals() {
        QFETCH(QString, twin);
        QFETCH(QString, stored);
        QFETCH(qint64, effectiveMinutes);
        ReminderRig rig;
        ReminderEngine& engine = rig.engine(twin);
        rig.defaults.setString(engine.profile().intervalKey, stored);
        engine.start();
        QCOMPARE(engine.nextReminderAt(), rig.clock.now().addSecs(effectiveMinutes * 60));
        rig.alerts.script = {1};
        engine.showReminderAlert(StatsEventSource::manual);
        QCOMPARE(rig.eventsOf(engine.profile().promptShownType).first().payload.value(u"intervalMinutes"),
                 StatsPayloadValue(effectiveMinutes));
    }

    void setIntervalCountsFromNow() {
        ReminderRig rig(localTime(2025, 3, 3, 9, 0));
        rig.hydration.start();
        rig.clock.set(localTime(2025, 3, 3, 10, 0));
        rig.hydration.setInterval(90);
        QCOMPARE(rig.hydration.nextReminderAt(), localTime(2025, 3, 3, 11, 30));
        // 0 from a hand-made caller never aims the timer at now.
        rig.hydration.setInterval(0);
        QCOMPARE(rig.hydration.nextReminderAt(), localTime(2025, 3, 3, 10, 45));
    }

    void switchingOffKeepsTheDayAndTakesTheNotificationDown() {
        ReminderRig rig;
        rig.fired(u"hydration"_s);
        const auto next = rig.hydration.nextReminderAt();
        rig.hydration.setEnabled(false);
        QVERIFY(!rig.hydration.reminderTimer() && rig.center.live.isEmpty());
        QCOMPARE(rig.hydration.nextReminderAt(), next);
        QVERIFY(rig.hydration.hasStartedToday());
        // Switched off, a due reminder reaches neither a notification nor an alert.
        rig.hydration.fireReminderIfNeeded();
        TestEnvironment::settle();
        QCOMPARE(rig.center.posted.size(), 1);
        QVERIFY(rig.alerts.shown.isEmpty());
        rig.hydration.setEnabled(true);
        QVERIFY(rig.hydration.reminderTimer());
    }

    void aPostTheServerRefusesFallsBackToTheAlert() {
        ReminderRig rig;
        rig.pelvic.start();
        rig.alerts.script = {1};
        rig.fired(u"hydration"_s);
        TestEnvironment::settle();
        QCOMPARE(rig.center.posted.size(), 1);
        Q_EMIT rig.center.postFailed(hydrationId);
        TestEnvironment::settle();
        QCOMPARE(rig.alerts.shown.size(), 1);
        // One reminder, one prompt, however it finally reached the user.
        QCOMPARE(rig.eventsOf(StatsEventType::hydrationPromptShown).size(), 1);
    }

    // Quitting ends the alert's loop, which reads as the second button.
    void aSecondAlertNeverStacksAndQuittingDuringOneRecordsNothing() {
        ReminderRig rig;
        rig.hydration.start();
        int nested = -1;
        rig.alerts.whileShown = [&](const AlertRequest&) {
            if (nested == -1)
                nested = rig.hydration.showReminderAlert(StatsEventSource::scheduled) ? 1 : 0;
            rig.hydration.stop();
        };
        rig.alerts.script = {1};
        QVERIFY(!rig.hydration.showReminderAlert(StatsEventSource::manual));
        QCOMPARE(nested, 0);
        QCOMPARE(rig.alerts.shown.size(), 1);
        QCOMPARE(rig.eventsOf(StatsEventType::hydrationPromptShown).size(), 1);
        QCOMPARE(rig.eventsOf(StatsEventType::hydrationSkipped).size(), 0);
    }
};

QTEST_MAIN(TestReminderEngine)
#include "TestReminderEngine.moc"
