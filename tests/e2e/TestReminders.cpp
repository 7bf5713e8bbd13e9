#include "E2eHarness.h"

#include <QImage>
#include <QJsonArray>
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
    static QStringList dueHydration(int count) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        return {
            u"hydrationReminderDayStartedAt="_s + iso(now.addSecs(-3600)),
            u"hydrationReminderNextReminderAt="_s + iso(now.addSecs(-30)),
            u"hydrationReminderDrinkCount="_s + QString::number(count),
            u"hydrationReminderDrinkCountDate="_s + iso(now.addSecs(-3500)),
            u"pelvicFloorReminderEnabled=false"_s,
        };
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
    // The modal alert: the one visible Tovi window larger than the tray icon.
    static QString alertWindow(const VirtualDesktop& desktop) {
        for (const QString& id : desktop.visibleWindowsOfClass(u"tovi"_s)) {
            const QRect frame = desktop.windowGeometry(id);
            if (frame.width() >= 200 && frame.size() != QSize(390, 118))
                return id;
        }
        return {};
    }

    // The default button is the one with the blue frame, in the alert's button row.
    static QPoint defaultButtonCentre(const QString& screenshot, const QRect& window) {
        const QImage image(screenshot);
        QRect found;
        for (int y = window.top() + window.height() * 3 / 5; y <= window.bottom(); ++y)
            for (int x = window.left(); x <= window.right(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (qBlue(p) > 120 && qBlue(p) - qRed(p) > 50)
                    found |= QRect(x, y, 1, 1);
            }
        return found.isValid() ? found.center() : QPoint();
    }

private Q_SLOTS:
    // What the notification says and how its action counts are the notification
    // server test's; here, that it comes and that a dismissal reaches the toast.
    void aDueReminderIsANotificationWhoseDismissalSkips() {
        VirtualDesktop desktop;
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        ToviProcess tovi(desktop, home(u"notify"_s));
        tovi.seedSettings(dueHydration(0));
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

    void withoutAServerTheAlertAsksInstead() {
        VirtualDesktop desktop(false);
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        ToviProcess tovi(desktop, home(u"alert"_s));
        tovi.seedSettings(dueHydration(2));
        QVERIFY(tovi.start());
        QString alert;
        E2E_WAIT(!(alert = alertWindow(desktop)).isEmpty(), 8000);
        QTest::qWait(500);
        QVERIFY(!desktop.screenshot(u"reminder-alert"_s).isEmpty());
        QCOMPARE(tovi.eventsOfType(u"hydration_prompt_shown"_s).size(), 1);
        QCOMPARE(tovi.eventsOfType(u"hydration_prompt_shown"_s).first().value("source"_L1).toString(),
                 u"scheduled"_s);

        // "水分充值 +1" is the default button.
        const QPoint button = defaultButtonCentre(desktop.screenshot(u"reminder-alert-buttons"_s),
                                                  desktop.windowGeometry(alert));
        QVERIFY(!button.isNull());
        desktop.xdotool({u"mousemove"_s, QString::number(button.x()), QString::number(button.y())});
        desktop.xdotool({u"click"_s, u"1"_s});
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"hydration_completed"_s).size(), 1, 5000);
        const QJsonObject completed = tovi.eventsOfType(u"hydration_completed"_s).first();
        QCOMPARE(completed.value("source"_L1).toString(), u"scheduled"_s);
        QCOMPARE(completed.value("payload"_L1).toObject().value("countAfter"_L1).toInt(), 3);
        E2E_WAIT(alertWindow(desktop).isEmpty(), 5000);
        QVERIFY(tovi.isRunning());
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
