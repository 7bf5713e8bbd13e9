#include "AppFixture.h"
#include "app/ToviCopy.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAppLaunch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void launchShowsTheSignThenTheCountdown() {
        AppFixture f;
        QVERIFY(f.events().isEmpty());
        f.launch();
        QVERIFY(ToviCopy::startupSigns().contains(f.status()));
        const auto events = f.events();
        QCOMPARE(events.size(), 1);
        QCOMPARE(events.first().type, StatsEventType::appLaunched);
        QCOMPARE(events.first().source, StatsEventSource::system);
        QVERIFY(!events.first().sessionId && events.first().payload.isEmpty());

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
        QVERIFY(f.entry(u"退出"_s));
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
};

QTEST_MAIN(TestAppLaunch)
#include "TestAppLaunch.moc"
