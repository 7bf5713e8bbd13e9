#include "E2eHarness.h"

#include <QFileInfo>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

class TestTrayProcess : public QObject {
    Q_OBJECT
private:
    VirtualDesktop m_desktop;
private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_desktop.isRunning(), qPrintable(m_desktop.error())); }

    void runsInTheTrayAndEndsOnlyWhenAsked() {
        ToviProcess tovi(m_desktop, e2eHome(u"main"_s));
        QVERIFY(tovi.start());
        E2E_WAIT(m_desktop.trayIconShown(), 10000);

        E2E_WAIT_COMPARE(tovi.events(u"app_launched"_s).size(), 1, 5000);

        // A second instance says so, exits 0 and writes nothing.
        const CommandResult refused = runCommand(toviBinary(), {}, tovi.environment());
        QCOMPARE(refused.exitCode, 0);
        QCOMPARE(refused.output.trimmed().count(u'\n'), 0);
        QVERIFY(refused.output.startsWith(u"Tovi: "_s));
        QCOMPARE(tovi.events().size(), 1);

        // A left click opens the menu (a light panel above the icon); Escape
        // closes it and Tovi runs on.
        QRect above;
        E2E_WAIT(!(above = m_desktop.trayMenuArea()).isNull(), 10000);
        QVERIFY(m_desktop.openTrayMenu(u"tray-menu"_s));
        m_desktop.xdotool({u"key"_s, u"Escape"_s});
        E2E_WAIT(lightPixels(m_desktop.screenshot(u"tray-menu-closed"_s), above) < 100, 10000);
        QVERIFY(tovi.isRunning());

        QVERIFY(tovi.endsCleanlyOn(SIGTERM));
        QCOMPARE(tovi.events().size(), 1);
    }

    // The main timer refreshes the day's state every second; only a changed
    // value may reach the disk.
    void withBothRemindersOffTheSettingsFileStaysUntouched() {
        ToviProcess tovi(m_desktop, e2eHome(u"quiet"_s));
        tovi.seedSettings({u"hydrationReminderEnabled=false"_s, u"pelvicFloorReminderEnabled=false"_s});
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(tovi.events(u"app_launched"_s).size(), 1, 5000);
        QTest::qWait(2000);
        const QDateTime before = QFileInfo(tovi.settingsPath()).lastModified();
        QTest::qWait(10000);
        QCOMPARE(QFileInfo(tovi.settingsPath()).lastModified(), before);
    }

    // GNOME without its AppIndicator extension: the rhythms run, Tovi says once
    // how to get a tray, and the icon comes with the tray.
    void withoutATrayRemindersRunAndTheIconComesWithTheTray() {
        QVERIFY(m_desktop.control(u"stop-tray"_s));
        ToviProcess tovi(m_desktop, e2eHome(u"late"_s));
        const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
        tovi.seedSettings(
            {u"hydrationReminderDayStartedAt="_s + now, u"hydrationReminderNextReminderAt="_s + now,
             u"hydrationReminderDrinkCountDate="_s + now, u"pelvicFloorReminderEnabled=false"_s});
        QVERIFY(tovi.start());
        const auto noTrayLines = [&tovi] { return tovi.logLines().filter(u"没有找到系统托盘"_s).size(); };
        E2E_WAIT_COMPARE(noTrayLines(), 1, 15000);
        // The hydration reminder and the word about the tray.
        E2E_WAIT_COMPARE(m_desktop.notificationsShown(), 2, 5000);
        QVERIFY(!m_desktop.trayIconShown());
        QVERIFY(m_desktop.control(u"start-tray"_s));
        E2E_WAIT(m_desktop.trayIconShown(), 10000);
        QCOMPARE(noTrayLines(), 1);
        QVERIFY(tovi.endsCleanlyOn(SIGINT));
    }
};

QTEST_GUILESS_MAIN(TestTrayProcess)
#include "TestTrayProcess.moc"
