#include "E2eHarness.h"

#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

// The body reminders of the real binary in the virtual desktop.
class TestReminders : public QObject {
    Q_OBJECT
private:
    QString home(const QString& name) const {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/homes/"_s + name;
    }
    static QString iso(const QDateTime& moment) { return moment.toUTC().toString(Qt::ISODateWithMs); }

    // A hydration day begun today whose next reminder is already due.
    static QStringList dueHydration() {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        return {u"hydrationReminderDayStartedAt="_s + iso(now.addSecs(-3600)),
                u"hydrationReminderNextReminderAt="_s + iso(now.addSecs(-30)),
                u"pelvicFloorReminderEnabled=false"_s};
    }

    static CommandResult dunstctl(const VirtualDesktop& desktop, const QStringList& arguments) {
        return runCommand(u"dunstctl"_s, arguments, desktop.environment());
    }
    static int displayed(const VirtualDesktop& desktop) {
        return dunstctl(desktop, {u"count"_s, u"displayed"_s}).output.trimmed().toInt();
    }
    static bool hasWindowOfSize(const VirtualDesktop& desktop, const QString& size) {
        for (const QString& line : desktop.windowsOfClass(u"tovi"_s))
            if (line.contains(u' ' + size + u'+'))
                return true;
        return false;
    }

private Q_SLOTS:
    // What the notification says and how its action counts are the notification
    // server test's; here, that it comes and that a dismissal reaches the toast.
    void aDueReminderIsANotificationWhoseDismissalSkips() {
        VirtualDesktop desktop;
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        ToviProcess tovi(desktop, home(u"notify"_s));
        tovi.seedSettings(dueHydration());
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(displayed(desktop), 1, 5000);
        QVERIFY(!desktop.screenshot(u"reminder-notification"_s).isEmpty());
        QCOMPARE(tovi.eventsOfType(u"hydration_prompt_shown"_s).size(), 1);

        QCOMPARE(dunstctl(desktop, {u"close"_s}).exitCode, 0);
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"hydration_skipped"_s).size(), 1, 5000);
        QCOMPARE(tovi.eventsOfType(u"hydration_skipped"_s).first().value("source"_L1).toString(),
                 u"notification"_s);
        E2E_WAIT(hasWindowOfSize(desktop, u"390x118"_s), 3000);
        QTest::qWait(400);
        QVERIFY(!desktop.screenshot(u"reminder-skip-toast"_s).isEmpty());
        // Gone again by itself.
        E2E_WAIT(!hasWindowOfSize(desktop, u"390x118"_s), 10000);
        QVERIFY(tovi.eventsOfType(u"hydration_completed"_s).isEmpty());
    }

    void aReminderDueDuringARestWaitsForItsEnd() {
        VirtualDesktop desktop;
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        ToviProcess tovi(desktop, home(u"deferred"_s));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        // Work 8 s, rest 4 s; the reminder falls due 10 s in, inside the first rest.
        tovi.seedSettings({u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=8"_s,
                           u"customRestModeRestDuration=4"_s,
                           u"hydrationReminderDayStartedAt="_s + iso(now.addSecs(-3600)),
                           u"hydrationReminderNextReminderAt="_s + iso(now.addSecs(10)),
                           u"pelvicFloorReminderEnabled=false"_s});
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_completed"_s).size(), 1, 30000);
        QVERIFY(tovi.eventsOfType(u"hydration_prompt_shown"_s).isEmpty());
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"hydration_prompt_shown"_s).size(), 1, 15000);
        const auto at = [](const QJsonObject& e) {
            return QDateTime::fromString(e.value("timestamp"_L1).toString(), Qt::ISODate);
        };
        const qint64 after = at(tovi.eventsOfType(u"rest_completed"_s).first())
                                 .secsTo(at(tovi.eventsOfType(u"hydration_prompt_shown"_s).first()));
        // Held back until the rest has ended and then some; whole-second stamps.
        QVERIFY2(after >= 4, qPrintable(QString::number(after)));
        E2E_WAIT(displayed(desktop) == 1, 5000);
    }
};

QTEST_MAIN(TestReminders)
#include "TestReminders.moc"
