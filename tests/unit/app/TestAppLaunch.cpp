#include "AppFixture.h"
#include "app/ToviCopy.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAppLaunch : public QObject {
    Q_OBJECT
private:
    QString m_base;

    static QStringList loginLines(const QStringList& log) { return log.filter(u"开机自启"_s); }

private Q_SLOTS:
    void launchShowsTheSignThenTheCountdown() {
        AppFixture f;
        QVERIFY(f.events().isEmpty());
        f.launch();
        const auto events = f.events();
        QCOMPARE(events.size(), 1);
        QVERIFY(events.first().type == StatsEventType::appLaunched && !events.first().sessionId);

        // Entering the launch path again starts nothing twice.
        f.app->startServices();
        QCOMPARE(f.events().size(), 1);

        f.clock.advanceSeconds(5.9);
        f.app->tick();
        QVERIFY(ToviCopy::startupSigns().contains(f.status()));
        f.clock.advanceSeconds(0.2);
        f.app->tick();
        // 19 minutes: the fifth template.
        QCOMPARE(f.status(), u"💼 打工续航还剩 19:58"_s);
    }

    void toolkitQuitIsRefusedUntilQuitApp() {
        AppFixture f;
        QEvent quit(QEvent::Quit);
        // The filter swallows the request; nothing ends the test process.
        QCoreApplication::sendEvent(qApp, &quit);
        QVERIFY(!f.app->applicationShouldTerminate());
        QVERIFY(!QApplication::quitOnLastWindowClosed());
        f.app->quitApp();
        QVERIFY(f.app->applicationShouldTerminate());
    }

    void theMainMenuReachesAboutAndQuit() {
        AppFixture f;
        f.app->configureMainMenuForTextEditing();
        const QList<QAction*> appMenu = f.app->mainMenu()->actions().first()->menu()->actions();
        appMenu.first()->trigger();
        QCOMPARE(f.alerts.shown.size(), 1);
        QCOMPARE(f.alerts.shown.first().messageText, u"关于 Tovi"_s);

        QWidget window;
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier, u"q"_s);
        QCoreApplication::sendEvent(&window, &key);
        QCoreApplication::processEvents();
        QVERIFY(f.app->applicationShouldTerminate());
    }

    void init() { m_base = TestEnvironment::freshDirectory(u"login"_s); }

    void entryStates_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("Hidden=true disables") << "[Desktop Entry]\nHidden=true\n"_ba << false;
        QTest::newRow("Hidden=false keeps it") << "[Desktop Entry]\nHidden = false\n"_ba << true;
        QTest::newRow("Hidden elsewhere does not count")
            << "[Desktop Entry]\nExec=tovi\n[Desktop Action x]\nHidden=true\n"_ba << true;
    }

    void entryStates() {
        QFETCH(QByteArray, content);
        QFETCH(bool, enabled);
        const QString path = m_base + u"/tovi.desktop"_s;
        QVERIFY(TestEnvironment::writeFile(path, content));
        QCOMPARE(XdgAutostartLoginItem(path, u"/usr/bin/tovi"_s).isEnabled(), enabled);
    }

    void toggleTwiceReturnsToTheStart() {
        const QString path = m_base + u"/autostart/tovi.desktop"_s;
        XdgAutostartLoginItem service(path, u"/opt/my apps/100% \"x\"/tovi"_s);
        AppFixture f({}, &service);
        f.launch();
        QAction& mark = *f.entry(u"开机自启"_s);
        QVERIFY(!mark.isChecked());

        mark.trigger();
        QVERIFY(service.isEnabled() && mark.isChecked());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        // Quoted for the command line, then escaped again for the entry's string.
        QVERIFY(file.readAll().contains(R"(Exec="/opt/my apps/100%% \\"x\\"/tovi")"));
        mark.trigger();
        QVERIFY(!QFile::exists(path) && !mark.isChecked());
        QCOMPARE(loginLines(f.log), (QStringList{u"Tovi: 已设置开机自启"_s, u"Tovi: 已取消开机自启"_s}));
        QVERIFY(f.alerts.shown.isEmpty());
    }

    void failureIsExplainedAndTheMarkTellsTheTruth_data() {
        QTest::addColumn<bool>("enabledBefore");
        QTest::addColumn<QString>("logPrefix");
        QTest::addColumn<QString>("alertPrefix");
        QTest::newRow("registering fails")
            << false << u"Tovi: 设置开机自启失败: "_s
            << u"设置开机自启失败，请确保应用已移动至「应用程序」文件夹后再试。\n\n错误信息: "_s;
        QTest::newRow("unregistering fails")
            << true << u"Tovi: 取消开机自启失败: "_s << u"取消开机自启失败: "_s;
    }

    void failureIsExplainedAndTheMarkTellsTheTruth() {
        QFETCH(bool, enabledBefore);
        QFETCH(QString, logPrefix);
        QFETCH(QString, alertPrefix);
        // An autostart "directory" that is a file cannot hold the entry, even for root.
        QVERIFY(TestEnvironment::writeFile(m_base + u"/autostart"_s, {}));
        XdgAutostartLoginItem real(m_base + u"/autostart/tovi.desktop"_s, u"/usr/bin/tovi"_s);
        // Root may delete any entry, so a refusal to remove one is scripted.
        struct Stuck final : LoginItemService {
            bool isEnabled() const override { return true; }
            std::optional<QString> registerItem() override { return std::nullopt; }
            std::optional<QString> unregisterItem() override { return u"Operation not permitted"_s; }
        } stuck;
        LoginItemService* service = enabledBefore ? static_cast<LoginItemService*>(&stuck) : &real;
        AppFixture f({}, service);
        f.launch();
        QAction& mark = *f.entry(u"开机自启"_s);
        QCOMPARE(mark.isChecked(), enabledBefore);
        mark.trigger();
        QCOMPARE(mark.isChecked(), enabledBefore);
        const QStringList log = loginLines(f.log);
        QCOMPARE(log.size(), 1);
        QVERIFY(log.first().startsWith(logPrefix) && log.first().size() > logPrefix.size());
        QCOMPARE(f.alerts.shown.size(), 1);
        QCOMPARE(f.alerts.shown.first().style, AlertRequest::Style::Warning);
        QCOMPARE(f.alerts.shown.first().informativeText, alertPrefix + log.first().mid(logPrefix.size()));
    }
};

QTEST_MAIN(TestAppLaunch)
#include "TestAppLaunch.moc"
