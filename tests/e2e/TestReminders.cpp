#include "E2eHarness.h"

#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <csignal>

using namespace Qt::StringLiterals;

// The body reminders of the real binary in the virtual desktop.
class TestReminders : public QObject {
    Q_OBJECT
private:
    static QString iso(const QDateTime& moment) { return moment.toUTC().toString(Qt::ISODateWithMs); }

    // A hydration day begun up to an hour ago, never before today's midnight (a
    // day begun yesterday waits for a new one), whose next reminder falls due at `at`.
    static QStringList dueHydration(const QDateTime& at = QDateTime::currentDateTimeUtc().addSecs(-30)) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QDateTime midnight = QDateTime(QDate::currentDate(), QTime(0, 0)).toUTC();
        return {u"hydrationReminderDayStartedAt="_s + iso(std::max(now.addSecs(-3600), midnight)),
                u"hydrationReminderNextReminderAt="_s + iso(at), u"pelvicFloorReminderEnabled=false"_s};
    }
    static bool toastShown(const VirtualDesktop& desktop) {
        return !desktop.windowsOfClass(u"tovi"_s).filter(u" 390x118+"_s).isEmpty();
    }

private Q_SLOTS:
    // What the notification says and how its action counts are the notification
    // server test's; here, that it comes and that a dismissal reaches the toast.
    void aDueReminderIsANotificationWhoseDismissalSkips() {
        VirtualDesktop desktop;
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        ToviProcess tovi(desktop, e2eHome(u"notify"_s));
        tovi.seedSettings(dueHydration());
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(desktop.notificationsShown(), 1, 5000);
        QVERIFY(!desktop.screenshot(u"reminder-notification"_s).isEmpty());
        QCOMPARE(tovi.events(u"hydration_prompt_shown"_s).size(), 1);

        QCOMPARE(desktop.dunstctl({u"close"_s}).exitCode, 0);
        E2E_WAIT_COMPARE(tovi.events(u"hydration_skipped"_s).size(), 1, 5000);
        QCOMPARE(tovi.events(u"hydration_skipped"_s).first().value("source"_L1).toString(),
                 u"notification"_s);
        E2E_WAIT(toastShown(desktop), 3000);
        QTest::qWait(400);
        QVERIFY(!desktop.screenshot(u"reminder-skip-toast"_s).isEmpty());
        // Gone again by itself.
        E2E_WAIT(!toastShown(desktop), 10000);
        QVERIFY(tovi.events(u"hydration_completed"_s).isEmpty());
    }

    // 稍后提醒 in dunst, then a pause through a restart of Tovi that ends by itself.
    void aSnoozeFromTheNotificationAndAPauseThroughARestart() {
        VirtualDesktop desktop;
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        auto tovi = std::make_unique<ToviProcess>(desktop, e2eHome(u"snooze-pause"_s));
        tovi->seedSettings(customRest(6, 3) + dueHydration());
        QVERIFY(tovi->start());
        E2E_WAIT_COMPARE(desktop.notificationsShown(), 1, 5000);
        QFile pattern(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                      u"/desktop/pick-pattern"_s);
        QVERIFY(pattern.open(QIODevice::WriteOnly) && pattern.write("SNOOZE\\|稍后提醒") > 0);
        pattern.close();
        QCOMPARE(desktop.dunstctl({u"context"_s}).exitCode, 0);
        E2E_WAIT_COMPARE(tovi->events(u"hydration_snoozed"_s).size(), 1, 5000);
        QCOMPARE(tovi->events(u"hydration_snoozed"_s).first().value("source"_L1).toString(),
                 u"notification"_s);
        QVERIFY(tovi->events(u"hydration_completed"_s).isEmpty() &&
                tovi->events(u"hydration_skipped"_s).isEmpty());

        const auto bus = [&](const QStringList& arguments) {
            return runCommand(u"dbus-send"_s,
                              QStringList{u"--session"_s, u"--print-reply"_s, u"--dest=io.github.tovi.Tovi"_s,
                                          u"/io/github/tovi/Tovi"_s} +
                                  arguments,
                              tovi->environment())
                .output;
        };
        const auto state = [&] {
            return bus({u"org.freedesktop.DBus.Properties.Get"_s, u"string:io.github.tovi.Tovi"_s,
                        u"string:State"_s});
        };
        E2E_WAIT(bus({u"io.github.tovi.Tovi.Pause"_s, u"uint32:15"_s}).contains(u"method return"_s), 5000);
        QVERIFY(state().contains(u"\"paused\""_s));
        QVERIFY(tovi->endsCleanlyOn(SIGTERM));
        QVERIFY(tovi->start());
        E2E_WAIT(state().contains(u"\"paused\""_s), 5000);
        // Six seconds of work fit in the pause many times over, yet no rest comes before it ends.
        E2E_WAIT(state().contains(u"\"working\""_s), 20000);
        QVERIFY(tovi->events(u"rest_started"_s).isEmpty());
        E2E_WAIT_COMPARE(tovi->events(u"rest_started"_s).size(), 1, 15000);
    }

    void aReminderDueDuringARestWaitsForItsEnd() {
        VirtualDesktop desktop;
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        ToviProcess tovi(desktop, e2eHome(u"deferred"_s));
        // Work 8 s, rest 4 s; the reminder falls due 10 s in, inside the first rest.
        tovi.seedSettings(customRest(8, 4) + dueHydration(QDateTime::currentDateTimeUtc().addSecs(10)));
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(tovi.events(u"rest_completed"_s).size(), 1, 30000);
        QVERIFY(tovi.events(u"hydration_prompt_shown"_s).isEmpty());
        E2E_WAIT_COMPARE(tovi.events(u"hydration_prompt_shown"_s).size(), 1, 15000);
        const auto at = [](const QJsonObject& e) {
            return QDateTime::fromString(e.value("timestamp"_L1).toString(), Qt::ISODate);
        };
        const qint64 after = at(tovi.events(u"rest_completed"_s).first())
                                 .secsTo(at(tovi.events(u"hydration_prompt_shown"_s).first()));
        // Held back until the rest has ended and then some; whole-second stamps.
        QVERIFY2(after >= 4, qPrintable(QString::number(after)));
        E2E_WAIT(desktop.notificationsShown() == 1, 5000);
    }
};

QTEST_MAIN(TestReminders)
#include "TestReminders.moc"
