#include "E2eHarness.h"
#include "FakeAlerts.h"
#include "FakeClock.h"
#include "TestEnvironment.h"
#include "app/ToviCopy.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "reminders/HydrationReminderManager.h"
#include "stats/StatsStore.h"

#include <QDBusConnection>
#include <QTest>

using namespace Qt::StringLiterals;

// The notification centre against a real server (dunst) on a private bus.
class TestNotificationServer : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<VirtualDesktop> m_desktop;
    std::unique_ptr<QDBusConnection> m_bus;

    CommandResult dunstctl(const QStringList& arguments) const {
        return runCommand(u"dunstctl"_s, arguments, m_desktop->environment());
    }
    int displayed() const { return dunstctl({u"count"_s, u"displayed"_s}).output.trimmed().toInt(); }

    struct Rig {
        explicit Rig(const QDBusConnection& bus)
            : clock(QDateTime(QDate::currentDate(), QTime(10, 0), Qt::LocalTime))
            , base(TestEnvironment::freshDirectory(u"server"_s))
            , defaults(base + u"/Tovi.conf"_s)
            , store(base)
            , center(bus)
            , hydration(ToviCopy::hydrationCopy(), {&defaults, &center, &alerts, &store, nullptr}) {
            center.setCategories({{u"HYDRATION_REMINDER"_s, u"HYDRATION_DRANK"_s, u"水分充值 +1"_s, true}});
            connect(&center, &NotificationCenter::responded, &hydration,
                    [this](const NotificationResponse& r) { hydration.handleNotificationResponse(r); });
            hydration.start();
        }
        int eventsOf(StatsEventType type) const {
            int n = 0;
            for (const StatsEvent& e : store.events(clock.now().addDays(-1), clock.now().addDays(1)))
                n += e.type == type;
            return n;
        }
        // Fires now and waits for the server's id of the new notification.
        uint fire(uint previous) {
            hydration.fireReminderIfNeeded();
            if (!QTest::qWaitFor(
                    [&] {
                        const uint id = center.serverId(u"hydration-reminder"_s);
                        return id != 0 && id != previous;
                    },
                    10000))
                return 0;
            return center.serverId(u"hydration-reminder"_s);
        }
        FakeClock clock;
        QString base;
        Defaults defaults;
        StatsStore store;
        FakeAlerts alerts;
        DBusNotificationCenter center;
        HydrationReminderManager hydration;
    };

    bool authorized(DBusNotificationCenter& center) {
        std::optional<bool> answer;
        center.checkAuthorization(this, [&answer](bool ok) { answer = ok; });
        return QTest::qWaitFor([&] { return answer.has_value(); }, 10000) && *answer;
    }

private Q_SLOTS:
    void initTestCase() {
        m_desktop = std::make_unique<VirtualDesktop>();
        QVERIFY2(m_desktop->isRunning(), qPrintable(m_desktop->error()));
        m_bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
            m_desktop->environment().value(u"DBUS_SESSION_BUS_ADDRESS"_s), u"tovi-integration"_s));
        QVERIFY(m_bus->isConnected());
    }
    void cleanupTestCase() {
        m_bus.reset();
        QDBusConnection::disconnectFromBus(u"tovi-integration"_s);
        m_desktop.reset();
    }

    void aReminderShowsWithItsTitleAndItsActionCountsADrink() {
        QProcess monitor;
        monitor.setProcessEnvironment(m_desktop->environment());
        monitor.start(u"dbus-monitor"_s,
                      {u"--session"_s, u"interface='org.freedesktop.Notifications',member='Notify'"_s});
        QVERIFY(monitor.waitForStarted());
        QTest::qWait(300);

        Rig rig(*m_bus);
        QVERIFY(authorized(rig.center));
        QVERIFY(rig.fire(0) != 0);
        E2E_WAIT_COMPARE(displayed(), 1, 5000);
        QString calls;
        E2E_WAIT((calls += QString::fromUtf8(monitor.readAll())).contains(u"HYDRATION_DRANK"_s), 5000);
        monitor.terminate();
        monitor.waitForFinished();
        bool titleSeen = false;
        for (const ReminderText& text : ToviCopy::hydrationReminderTexts())
            titleSeen |= calls.contains(u"\""_s + text.title + u"\""_s);
        QVERIFY2(titleSeen, qPrintable(calls.left(2000)));
        QVERIFY(calls.contains(u"\"HYDRATION_DRANK\""_s));
        QVERIFY(calls.contains(u"\"message-new-instant\""_s));

        // A click on the body answers nothing.
        QStringList answers;
        connect(&rig.center, &NotificationCenter::responded, this,
                [&answers](const NotificationResponse& r) { answers << r.actionIdentifier; });
        QCOMPARE(dunstctl({u"action"_s, u"0"_s}).exitCode, 0);
        E2E_WAIT_COMPARE(answers.size(), 1, 5000);
        QCOMPARE(answers.first(), u"default"_s);
        QCOMPARE(rig.hydration.count(), 0);
        QCOMPARE(rig.eventsOf(StatsEventType::hydrationSkipped), 0);
        E2E_WAIT_COMPARE(displayed(), 0, 5000);

        QVERIFY(rig.fire(0) != 0);
        E2E_WAIT_COMPARE(displayed(), 1, 5000);
        QCOMPARE(dunstctl({u"context"_s}).exitCode, 0);
        E2E_WAIT_COMPARE(rig.hydration.count(), 1, 5000);
        E2E_WAIT_COMPARE(displayed(), 0, 5000);
        // The server's close after the action is not a second answer.
        QTest::qWait(500);
        QCOMPARE(rig.eventsOf(StatsEventType::hydrationCompleted), 1);
        QCOMPARE(rig.eventsOf(StatsEventType::hydrationSkipped), 0);
    }

    void ourReplacementIsNoSkipButTheUsersDismissalIs() {
        Rig rig(*m_bus);
        QStringList skipLines;
        rig.hydration.onReminderSkipped = [&skipLines](const QString& line) { skipLines << line; };
        const uint first = rig.fire(0);
        QVERIFY(first != 0);
        const uint second = rig.fire(first);
        QVERIFY(second != 0);
        E2E_WAIT_COMPARE(displayed(), 1, 5000);
        QTest::qWait(500);
        QCOMPARE(rig.eventsOf(StatsEventType::hydrationSkipped), 0);

        QCOMPARE(dunstctl({u"close"_s}).exitCode, 0);
        E2E_WAIT_COMPARE(rig.eventsOf(StatsEventType::hydrationSkipped), 1, 5000);
        QCOMPARE(skipLines.size(), 1);
        QCOMPARE(rig.center.serverId(u"hydration-reminder"_s), 0u);
        QCOMPARE(rig.hydration.count(), 0);
    }

    void quittingTakesOurNotificationDown() {
        {
            Rig rig(*m_bus);
            QVERIFY(rig.fire(0) != 0);
            E2E_WAIT_COMPARE(displayed(), 1, 5000);
        }
        // An orphan left on screen would take an answer nobody hears.
        E2E_WAIT_COMPARE(displayed(), 0, 5000);
    }

    void withoutAServerRemindersGoToTheAlertAndComeBack() {
        Rig rig(*m_bus);
        QVERIFY(m_desktop->stopNotifications());
        // Nothing may start a server on demand: missing means missing.
        E2E_WAIT(!authorized(rig.center), 5000);
        rig.alerts.script = {0};
        rig.hydration.fireReminderIfNeeded();
        E2E_WAIT_COMPARE(rig.alerts.shown.size(), 1, 5000);
        QCOMPARE(rig.hydration.count(), 1);

        QVERIFY(m_desktop->startNotifications());
        E2E_WAIT(authorized(rig.center), 5000);
        QVERIFY(rig.fire(0) != 0);
        QCOMPARE(rig.alerts.shown.size(), 1);
        QCOMPARE(dunstctl({u"context"_s}).exitCode, 0);
        E2E_WAIT_COMPARE(rig.hydration.count(), 2, 5000);
    }

    // The restarted server never heard of the reminder; waiting for its
    // repeat would hide it for ten minutes.
    void aReminderOnScreenReturnsWhenTheServerRestarts() {
        Rig rig(*m_bus);
        const uint first = rig.fire(0);
        QVERIFY(first != 0);
        E2E_WAIT_COMPARE(displayed(), 1, 5000);
        QVERIFY(m_desktop->stopNotifications());
        QVERIFY(m_desktop->startNotifications());
        E2E_WAIT_COMPARE(displayed(), 1, 5000);
        QVERIFY(rig.center.serverId(u"hydration-reminder"_s) != 0);
        QCOMPARE(rig.alerts.shown.size(), 0);
        QCOMPARE(rig.eventsOf(StatsEventType::hydrationSkipped), 0);
        QCOMPARE(dunstctl({u"context"_s}).exitCode, 0);
        E2E_WAIT_COMPARE(rig.hydration.count(), 1, 5000);
    }
};

QTEST_MAIN(TestNotificationServer)
#include "TestNotificationServer.moc"
