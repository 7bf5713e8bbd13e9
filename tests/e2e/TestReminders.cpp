#include "E2eHarness.h"
#include "app/ToviCopy.h"

#include <QImage>
#include <QJsonArray>
#include <QStandardPaths>
#include <QTest>
#include <csignal>

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
            const QString geometry = desktop.xdotool({u"getwindowgeometry"_s, id}).output;
            const QString size = geometry.section(u"Geometry: "_s, 1).section(u'\n', 0, 0).trimmed();
            if (size.section(u'x', 0, 0).toInt() >= 200 && size != u"390x118"_s)
                return id;
        }
        return {};
    }

    // Window position and size from xdotool.
    static QRect windowGeometry(const VirtualDesktop& desktop, const QString& id) {
        const QString out = desktop.xdotool({u"getwindowgeometry"_s, id}).output;
        const QString position = out.section(u"Position: "_s, 1).section(u' ', 0, 0);
        const QString size = out.section(u"Geometry: "_s, 1).section(u'\n', 0, 0).trimmed();
        return {position.section(u',', 0, 0).toInt(), position.section(u',', 1, 1).toInt(),
                size.section(u'x', 0, 0).toInt(), size.section(u'x', 1, 1).toInt()};
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
    void aDueReminderIsANotificationThatCountsAndSkips() {
        VirtualDesktop desktop;
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        QProcess monitor;
        monitor.setProcessEnvironment(desktop.environment());
        monitor.start(u"dbus-monitor"_s,
                      {u"--session"_s, u"interface='org.freedesktop.Notifications',member='Notify'"_s});
        QVERIFY(monitor.waitForStarted());

        ToviProcess tovi(desktop, home(u"notify"_s));
        tovi.seedSettings(dueHydration(0));
        QVERIFY(tovi.start());
        QTRY_COMPARE_WITH_TIMEOUT(displayed(desktop), 1, 5000);
        QString calls;
        QTRY_VERIFY_WITH_TIMEOUT(
            (calls += QString::fromUtf8(monitor.readAll())).contains(u"HYDRATION_DRANK"_s), 5000);
        bool titleSeen = false;
        for (const ReminderText& text : ToviCopy::hydrationReminderTexts())
            titleSeen |= calls.contains(u"\""_s + text.title + u"\""_s);
        QVERIFY2(titleSeen, qPrintable(calls.left(1500)));
        QVERIFY(!desktop.screenshot(u"reminder-notification"_s).isEmpty());
        QCOMPARE(tovi.eventsOfType(u"hydration_prompt_shown"_s).size(), 1);

        QCOMPARE(dunstctl(desktop, {u"action"_s, u"0"_s}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(tovi.eventsOfType(u"hydration_completed"_s).size(), 1, 5000);
        const QJsonObject completed = tovi.eventsOfType(u"hydration_completed"_s).first();
        QCOMPARE(completed.value("source"_L1).toString(), u"notification"_s);
        QCOMPARE(completed.value("payload"_L1).toObject().value("countAfter"_L1).toInt(), 1);
        QCOMPARE(completed.value("payload"_L1).toObject().value("intervalMinutes"_L1).toInt(), 45);
        QTRY_COMPARE_WITH_TIMEOUT(displayed(desktop), 0, 5000);

        // The next one, this time dismissed by the user.
        tovi.sendSignal(SIGTERM);
        QVERIFY(tovi.waitForExit());
        QVERIFY(QFile::remove(tovi.settingsPath()));
        tovi.seedSettings(dueHydration(1));
        QVERIFY(tovi.start());
        QTRY_COMPARE_WITH_TIMEOUT(displayed(desktop), 1, 5000);
        QCOMPARE(dunstctl(desktop, {u"close"_s}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(tovi.eventsOfType(u"hydration_skipped"_s).size(), 1, 5000);
        QCOMPARE(tovi.eventsOfType(u"hydration_skipped"_s).first().value("source"_L1).toString(),
                 u"notification"_s);
        QTRY_VERIFY_WITH_TIMEOUT(hasWindowOfSize(desktop, u"390x118"_s), 3000);
        QTest::qWait(400);
        const QString shot = desktop.screenshot(u"reminder-skip-toast"_s);
        QVERIFY(!shot.isEmpty());
        // Gone again by itself.
        QTRY_VERIFY_WITH_TIMEOUT(!hasWindowOfSize(desktop, u"390x118"_s), 10000);
        QCOMPARE(tovi.eventsOfType(u"hydration_completed"_s).size(), 1);
        monitor.terminate();
        monitor.waitForFinished();
    }

    void withoutAServerTheAlertAsksInstead() {
        VirtualDesktop desktop(false);
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        ToviProcess tovi(desktop, home(u"alert"_s));
        tovi.seedSettings(dueHydration(2));
        QVERIFY(tovi.start());
        QString alert;
        QTRY_VERIFY_WITH_TIMEOUT(!(alert = alertWindow(desktop)).isEmpty(), 8000);
        QTest::qWait(500);
        QVERIFY(!desktop.screenshot(u"reminder-alert"_s).isEmpty());
        QCOMPARE(tovi.eventsOfType(u"hydration_prompt_shown"_s).size(), 1);
        QCOMPARE(tovi.eventsOfType(u"hydration_prompt_shown"_s).first().value("source"_L1).toString(),
                 u"scheduled"_s);

        // "水分充值 +1" is the default button.
        const QPoint button = defaultButtonCentre(desktop.screenshot(u"reminder-alert-buttons"_s),
                                                  windowGeometry(desktop, alert));
        QVERIFY(!button.isNull());
        desktop.xdotool({u"mousemove"_s, QString::number(button.x()), QString::number(button.y())});
        desktop.xdotool({u"click"_s, u"1"_s});
        QTRY_COMPARE_WITH_TIMEOUT(tovi.eventsOfType(u"hydration_completed"_s).size(), 1, 5000);
        const QJsonObject completed = tovi.eventsOfType(u"hydration_completed"_s).first();
        QCOMPARE(completed.value("source"_L1).toString(), u"scheduled"_s);
        QCOMPARE(completed.value("payload"_L1).toObject().value("countAfter"_L1).toInt(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(alertWindow(desktop).isEmpty(), 5000);
        QVERIFY(tovi.isRunning());
    }
};

QTEST_MAIN(TestReminders)
#include "TestReminders.moc"
