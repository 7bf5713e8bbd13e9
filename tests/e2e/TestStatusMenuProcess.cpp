#include "E2eHarness.h"

#include <QFile>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

// Drives the status menu with the keyboard as a person without a mouse
// would: Down walks the enabled entries, Right opens a submenu, Return picks.
class TestStatusMenuProcess : public QObject {
    Q_OBJECT
private:
    VirtualDesktop m_desktop;

    // Enabled entries of the status menu, from the top.
    enum Entry { launchAtLogin = 13, quit = 15 };

    void pick(int entry) const { m_desktop.walkMenu(entry, {u"Return"_s}); }
    // The custom dialog through 护眼节奏 → 手动输入时长..., with its fields typed
    // in; gives the windows that were up while the dialog was.
    QStringList enterCustomMode(const QString& work, const QString& rest) const {
        if (!m_desktop.openTrayMenu(u"status-menu-again"_s))
            return {};
        m_desktop.walkMenu(2, {u"Right"_s});
        QTest::qWait(300);
        // Three presets and the saved custom mode, then the dialog entry.
        pick(4);
        if (!waitUntil(
                [&] {
                    return m_desktop.visibleWindowsOfClass(u"tovi"_s).size() > m_desktop.trayIconWindows();
                },
                5000))
            return {};
        QTest::qWait(300);
        const QStringList withDialog = m_desktop.visibleWindowsOfClass(u"tovi"_s);
        m_desktop.xdotool({u"key"_s, u"ctrl+a"_s});
        m_desktop.xdotool({u"type"_s, work});
        m_desktop.xdotool({u"key"_s, u"Tab"_s, u"ctrl+a"_s});
        m_desktop.xdotool({u"type"_s, rest});
        m_desktop.xdotool({u"key"_s, u"Return"_s});
        return withDialog;
    }
    static QVariant setting(const ToviProcess& tovi, const QString& key) {
        return QSettings(tovi.settingsPath(), QSettings::IniFormat).value(key);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_desktop.isRunning(), qPrintable(m_desktop.error())); }

    void everyCommandFromTheMenu() {
        ToviProcess tovi(m_desktop, e2eHome(u"menu"_s));
        // A saved custom mode, so that its entry is enabled on the walk to the dialog.
        tovi.seedSettings(customRest(3600, 3));
        QVERIFY(tovi.start());
        E2E_WAIT(m_desktop.trayIconShown(), 10000);

        // Rest now is the unit test's; the rest itself the rest run's.
        // The custom dialog takes 25 minutes and 30 seconds.
        QVERIFY(!enterCustomMode(u"25"_s, u"30"_s).isEmpty());
        E2E_WAIT_COMPARE(setting(tovi, u"customRestModeWorkDuration"_s).toString(), u"1500"_s, 5000);
        QCOMPARE(setting(tovi, u"customRestModeRestDuration"_s).toString(), u"30"_s);
        QCOMPARE(setting(tovi, u"selectedRestModeTag"_s).toString(), u"-1"_s);
        QVERIFY(m_desktop.openTrayMenu(u"status-menu-25-minutes"_s));
        m_desktop.xdotool({u"key"_s, u"Escape"_s});

        // Out of range: the warning comes up and nothing changes.
        const QStringList withDialog = enterCustomMode(u"0"_s, u"30"_s);
        QVERIFY(!withDialog.isEmpty());
        // A window the dialog did not have: the warning, not the dialog still up.
        const auto aNewWindow = [&] {
            const QStringList now = m_desktop.visibleWindowsOfClass(u"tovi"_s);
            return std::any_of(now.cbegin(), now.cend(),
                               [&](const QString& id) { return !withDialog.contains(id); });
        };
        E2E_WAIT(aNewWindow(), 5000);
        m_desktop.screenshot(u"invalid-rest-mode"_s);
        m_desktop.xdotool({u"key"_s, u"Return"_s});
        E2E_WAIT(m_desktop.visibleWindowsOfClass(u"tovi"_s).size() == m_desktop.trayIconWindows(), 5000);
        QCOMPARE(setting(tovi, u"customRestModeWorkDuration"_s).toString(), u"1500"_s);

        // Launch at login writes the autostart entry where the session looks; taking it
        // away again is the delegate's unit test.
        const QString entry = tovi.home() + u"/config/autostart/tovi.desktop"_s;
        QVERIFY(m_desktop.openTrayMenu(u"status-menu-login"_s));
        pick(launchAtLogin);
        E2E_WAIT(QFile::exists(entry), 5000);

        // 退出 ends the process.
        QVERIFY(m_desktop.openTrayMenu(u"status-menu-quit"_s));
        pick(quit);
        QVERIFY(tovi.waitForExit());
        QCOMPARE(tovi.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestStatusMenuProcess)
#include "TestStatusMenuProcess.moc"
