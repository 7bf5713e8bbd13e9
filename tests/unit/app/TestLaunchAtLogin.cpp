#include "FakeAlerts.h"
#include "FakeScreens.h"
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/LoginItemService.h"
#include "stats/StatsStore.h"

#include <QAction>
#include <QFile>
#include <QTest>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestLaunchAtLogin : public QObject {
    Q_OBJECT
private:
    QString m_base;
    QStringList m_log;

private Q_SLOTS:
    void init() {
        m_base = TestEnvironment::freshDirectory(u"login"_s);
        m_log.clear();
        Log::setCapture(&m_log);
    }
    void cleanup() { Log::setCapture(nullptr); }

    void entryStates_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("an entry enables") << "[Desktop Entry]\nExec=tovi\n"_ba << true;
        QTest::newRow("Hidden=true disables") << "[Desktop Entry]\nHidden=true\n"_ba << false;
        QTest::newRow("Hidden=false keeps it") << "[Desktop Entry]\nHidden = false\n"_ba << true;
        QTest::newRow("Hidden elsewhere does not count")
            << "[Desktop Entry]\nExec=tovi\n[Desktop Action x]\nHidden=true\n"_ba << true;
    }

    void entryStates() {
        QFETCH(QByteArray, content);
        QFETCH(bool, enabled);
        const QString path = m_base + u"/tovi.desktop"_s;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QCOMPARE(XdgAutostartLoginItem(path, u"/usr/bin/tovi"_s).isEnabled(), enabled);
    }

    void toggleTwiceReturnsToTheStart() {
        const QString path = m_base + u"/autostart/tovi.desktop"_s;
        XdgAutostartLoginItem service(path, u"/opt/my apps/tovi"_s);
        Defaults defaults(m_base + u"/Tovi.conf"_s);
        FakeAlerts alerts;
        FakeScreens screens;
        StatsStore store(m_base);
        AppDelegate app({&defaults, &alerts, &screens, &store, &service});
        QAction mark;
        mark.setCheckable(true);
        app.launchAtLoginItem = &mark;

        app.toggleLaunchAtLogin();
        QVERIFY(service.isEnabled() && mark.isChecked());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Exec=\"/opt/my apps/tovi\"\n"));
        app.toggleLaunchAtLogin();
        QVERIFY(!QFile::exists(path) && !mark.isChecked());
        QCOMPARE(m_log, (QStringList{u"Tovi: 已设置开机自启"_s, u"Tovi: 已取消开机自启"_s}));
        QVERIFY(alerts.shown.isEmpty());
    }

    void failureIsExplainedAndTheMarkTellsTheTruth() {
        // An autostart "directory" that is a file cannot hold the entry, even for root.
        QFile blocker(m_base + u"/autostart"_s);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        XdgAutostartLoginItem service(m_base + u"/autostart/tovi.desktop"_s, u"/usr/bin/tovi"_s);
        Defaults defaults(m_base + u"/Tovi.conf"_s);
        FakeAlerts alerts;
        FakeScreens screens;
        StatsStore store(m_base);
        AppDelegate app({&defaults, &alerts, &screens, &store, &service});
        QAction mark;
        mark.setCheckable(true);
        mark.setChecked(true);
        app.launchAtLoginItem = &mark;

        app.toggleLaunchAtLogin();
        QVERIFY(!mark.isChecked());
        QCOMPARE(m_log.size(), 1);
        QVERIFY(m_log.first().startsWith(u"Tovi: 设置开机自启失败: "_s));
        QCOMPARE(alerts.shown.size(), 1);
        QCOMPARE(alerts.shown.first().messageText, u"开机自启设置"_s);
        QCOMPARE(alerts.shown.first().style, AlertRequest::Style::Warning);
        const QString error = m_log.first().mid(QStringLiteral("Tovi: 设置开机自启失败: ").size());
        QVERIFY(!error.isEmpty());
        QVERIFY(alerts.shown.first().informativeText.endsWith(u"错误信息: "_s + error));
    }
};

QTEST_MAIN(TestLaunchAtLogin)
#include "TestLaunchAtLogin.moc"
