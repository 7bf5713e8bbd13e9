#include "E2eHarness.h"

#include <QImage>
#include <QStandardPaths>
#include <QTest>
#include <csignal>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TestTrayProcess : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<VirtualDesktop> m_desktop;

    QString home(const QString& name) const {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/homes/"_s + name;
    }
private Q_SLOTS:
    void initTestCase() {
        m_desktop = std::make_unique<VirtualDesktop>();
        QVERIFY2(m_desktop->isRunning(), qPrintable(m_desktop->error()));
    }
    void cleanupTestCase() { m_desktop.reset(); }

    void runsInTheTrayAndEndsOnlyWhenAsked() {
        ToviProcess tovi(*m_desktop, home(u"main"_s));
        QVERIFY(tovi.start());
        E2E_WAIT(m_desktop->trayIconShown(), 10000);

        E2E_WAIT_COMPARE(tovi.eventsOfType(u"app_launched"_s).size(), 1, 5000);
        const QJsonObject launched = tovi.events().first();
        for (const char* key :
             {"id", "timestamp", "dayKey", "monthKey", "type", "source", "payload", "appVersion"})
            QVERIFY2(launched.contains(QLatin1StringView(key)), key);
        QVERIFY(!launched.contains("sessionId"_L1));
        QCOMPARE(launched.value("source"_L1).toString(), u"system"_s);
        QVERIFY(launched.value("payload"_L1).toObject().isEmpty());
        QCOMPARE(launched.value("monthKey"_L1).toString() + u".jsonl"_s,
                 QDir(tovi.eventsDirectory()).entryList(QDir::Files).value(0));

        // A second instance says so, exits 0 and writes nothing.
        const CommandResult refused = runCommand(toviBinary(), {}, tovi.environment());
        QCOMPARE(refused.exitCode, 0);
        QCOMPARE(refused.output.trimmed().count(u'\n'), 0);
        QVERIFY(refused.output.startsWith(u"Tovi: "_s));
        QCOMPARE(tovi.events().size(), 1);

        // A left click opens the menu (a light panel above the icon); Escape
        // closes it and Tovi runs on.
        QRect above;
        E2E_WAIT(!(above = m_desktop->trayMenuArea()).isNull(), 10000);
        QVERIFY(m_desktop->openTrayMenu(u"tray-menu"_s));
        m_desktop->xdotool({u"key"_s, u"Escape"_s});
        E2E_WAIT(lightPixels(m_desktop->screenshot(u"tray-menu-closed"_s), above) < 100, 10000);
        QVERIFY(tovi.isRunning());

        tovi.sendSignal(SIGTERM);
        QVERIFY(tovi.waitForExit());
        QCOMPARE(tovi.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tovi.exitCode(), 0);
        QCOMPARE(tovi.events().size(), 1);
    }

    // The main timer refreshes the day's state every second; only a changed
    // value may reach the disk.
    void withBothRemindersOffTheSettingsFileStaysUntouched() {
        ToviProcess tovi(*m_desktop, home(u"quiet"_s));
        tovi.seedSettings({u"hydrationReminderEnabled=false"_s, u"pelvicFloorReminderEnabled=false"_s});
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"app_launched"_s).size(), 1, 5000);
        QTest::qWait(2000);
        const auto stamp = [&tovi] {
            struct stat s {};
            ::stat(QFile::encodeName(tovi.settingsPath()).constData(), &s);
            return std::pair(s.st_ino, s.st_mtim.tv_sec * 1000000000LL + s.st_mtim.tv_nsec);
        };
        const auto before = stamp();
        QTest::qWait(10000);
        QCOMPARE(stamp(), before);
        QVERIFY(tovi.isRunning());
    }

    // GNOME without its AppIndicator extension: the rhythms run, Tovi says once
    // how to get a tray, and the icon comes with the tray.
    void withoutATrayRemindersRunAndTheIconComesWithTheTray() {
        QVERIFY(m_desktop->stopTray());
        ToviProcess tovi(*m_desktop, home(u"late"_s));
        const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
        tovi.seedSettings(
            {u"hydrationReminderDayStartedAt="_s + now, u"hydrationReminderNextReminderAt="_s + now,
             u"hydrationReminderDrinkCountDate="_s + now, u"pelvicFloorReminderEnabled=false"_s});
        QVERIFY(tovi.start());
        const auto noTrayLines = [&tovi] { return tovi.logLines().filter(u"没有找到系统托盘"_s).size(); };
        E2E_WAIT_COMPARE(noTrayLines(), 1, 15000);
        // The hydration reminder and the word about the tray.
        E2E_WAIT_COMPARE(runCommand(u"dunstctl"_s, {u"count"_s, u"displayed"_s}, m_desktop->environment())
                             .output.trimmed(),
                         u"2"_s, 5000);
        QVERIFY(!m_desktop->trayIconShown());
        QVERIFY(m_desktop->startTray());
        E2E_WAIT(m_desktop->trayIconShown(), 10000);
        QCOMPARE(noTrayLines(), 1);
        tovi.sendSignal(SIGINT);
        QVERIFY(tovi.waitForExit());
        QCOMPARE(tovi.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTrayProcess)
#include "TestTrayProcess.moc"
