#include "E2eHarness.h"
#include "FakeAlerts.h"
#include "FakeClock.h"
#include "TestEnvironment.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "reminders/ReminderEngine.h"
#include "reminders/ReminderRows.h"
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

    struct Rig {
        explicit Rig(const QDBusConnection& bus)
            : clock(QDateTime(QDate::currentDate(), QTime(10, 0), Qt::LocalTime))
            , base(TestEnvironment::freshDirectory(u"server"_s))
            , defaults(base + u"/Tovi.conf"_s)
            , store(base)
            , center(bus)
            , hydration(ReminderRows::hydration(), {&defaults, &center, &alerts, &store, nullptr}) {
            center.setCategories(
                {{u"HYDRATION_REMINDER"_s, {{u"HYDRATION_DRANK"_s, u"水分充值 +1"_s}}, true}});
            connect(&center, &NotificationCenter::responded, &hydration,
                    [this](const NotificationResponse& r) { hydration.handleNotificationResponse(r); });
            hydration.start();
        }
        qsizetype eventsOf(StatsEventType type) const {
            return ofType(store.events(clock.now().addDays(-1), clock.now().addDays(1)), type).size();
        }
        // Fires now and waits for the server's id of the new notification.
        uint fire(uint previous) {
            hydration.fireReminderIfNeeded();
            uint id = 0;
            const auto fresh = [&] {
                return (id = center.serverId(u"hydration-reminder"_s)) != previous && id;
            };
            return QTest::qWaitFor(fresh, 10000) ? id : 0;
        }
        FakeClock clock;
        QString base;
        Defaults defaults;
        StatsStore store;
        FakeAlerts alerts;
        DBusNotificationCenter center;
        ReminderEngine hydration;
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
        E2E_WAIT_COMPARE(m_desktop->notificationsShown(), 1, 5000);
        QString calls;
        E2E_WAIT((calls += QString::fromUtf8(monitor.readAll())).contains(u"HYDRATION_DRANK"_s), 5000);
        monitor.terminate();
        monitor.waitForFinished();
        bool titleSeen = false;
        for (const ReminderText& text : ReminderRows::hydration().copy.reminders)
            titleSeen |= calls.contains(u"\""_s + text.title + u"\""_s);
        QVERIFY2(titleSeen, qPrintable(calls.left(2000)));
        QVERIFY(calls.contains(u"\"message-new-instant\""_s));

        // A click on the body answers nothing, and the server's close after it is no dismissal.
        QStringList answers;
        connect(&rig.center, &NotificationCenter::responded, this,
                [&answers](const NotificationResponse& r) { answers << r.actionIdentifier; });
        QCOMPARE(m_desktop->dunstctl({u"action"_s, u"0"_s}).exitCode, 0);
        E2E_WAIT_COMPARE(m_desktop->notificationsShown(), 0, 5000);
        QTest::qWait(500);
        QCOMPARE(answers, QStringList{u"default"_s});
        QCOMPARE(rig.hydration.count(), 0);
        QCOMPARE(rig.eventsOf(StatsEventType::hydrationSkipped), 0);

        QVERIFY(rig.fire(0) != 0);
        E2E_WAIT_COMPARE(m_desktop->notificationsShown(), 1, 5000);
        QCOMPARE(m_desktop->dunstctl({u"context"_s}).exitCode, 0);
        E2E_WAIT_COMPARE(rig.hydration.count(), 1, 5000);
    }

    void withoutAServerRemindersGoToTheAlertAndComeBack() {
        Rig rig(*m_bus);
        QVERIFY(m_desktop->control(u"stop-notifications"_s));
        // Nothing may start a server on demand: missing means missing.
        E2E_WAIT(!authorized(rig.center), 5000);
        rig.alerts.script = {0};
        rig.hydration.fireReminderIfNeeded();
        E2E_WAIT_COMPARE(rig.alerts.shown.size(), 1, 5000);
        QCOMPARE(rig.hydration.count(), 1);

        QVERIFY(m_desktop->control(u"start-notifications"_s));
        E2E_WAIT(authorized(rig.center), 5000);
        QVERIFY(rig.fire(0) != 0);
        QCOMPARE(rig.alerts.shown.size(), 1);
        QCOMPARE(m_desktop->dunstctl({u"context"_s}).exitCode, 0);
        E2E_WAIT_COMPARE(rig.hydration.count(), 2, 5000);
    }

    // Replacing our own notification is no dismissal by the user. The restarted
    // server never heard of the reminder; waiting for its repeat would hide it
    // for ten minutes. And quitting takes it down: an orphan left on screen
    // would take an answer nobody hears.
    void aShownReminderOutlivesItsReplacementAndAServerRestartButNotUs() {
        {
            Rig rig(*m_bus);
            const uint first = rig.fire(0);
            QVERIFY(first != 0);
            QVERIFY(rig.fire(first) != 0);
            E2E_WAIT_COMPARE(m_desktop->notificationsShown(), 1, 5000);
            QVERIFY(m_desktop->control(u"stop-notifications"_s));
            QVERIFY(m_desktop->control(u"start-notifications"_s));
            E2E_WAIT_COMPARE(m_desktop->notificationsShown(), 1, 5000);
            E2E_WAIT(rig.center.serverId(u"hydration-reminder"_s) != 0, 5000);
            QCOMPARE(rig.alerts.shown.size(), 0);
            QCOMPARE(rig.eventsOf(StatsEventType::hydrationSkipped), 0);
        }
        E2E_WAIT_COMPARE(m_desktop->notificationsShown(), 0, 5000);
    }
};

QTEST_MAIN(TestNotificationServer)
#include "TestNotificationServer.moc"
