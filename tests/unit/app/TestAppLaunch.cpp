#include "FakeAlerts.h"
#include "FakeClock.h"
#include "FakeScreens.h"
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "app/ToviCopy.h"
#include "platform/Defaults.h"
#include "stats/StatsStore.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestAppLaunch : public QObject {
    Q_OBJECT
private:
    struct Fixture {
        Fixture()
            : clock(QDateTime(QDate(2025, 3, 1), QTime(9, 0), Qt::LocalTime))
            , base(TestEnvironment::freshDirectory(u"app"_s))
            , defaults(base + u"/Tovi.conf"_s)
            , store(base)
            , app({&defaults, &alerts, &screens, &store, nullptr}) {}
        FakeClock clock;
        QString base;
        Defaults defaults;
        FakeAlerts alerts;
        FakeScreens screens;
        StatsStore store;
        AppDelegate app;
    };

private Q_SLOTS:
    void constructionDefaults() {
        Fixture f;
        QCOMPARE(f.app.workDuration, 1200);
        QCOMPARE(f.app.restDuration, 20);
        QCOMPARE(f.app.workSecondsRemaining, 1200);
        QCOMPARE(f.app.restSecondsRemaining, 20);
        QCOMPARE(f.app.selectedRestModeTag, 120020);
        QCOMPARE(f.app.hydrationIntervalPresets, (QList<qint64>{30, 45, 60, 90}));
        QCOMPARE(f.app.pelvicFloorIntervalPresets, (QList<qint64>{30, 60, 90, 120}));
        QVERIFY(!f.app.isResting && !f.app.isQuitting);
        QVERIFY(!f.app.statusMenuItem && !f.app.mainTimer && !f.app.statusItem);
        QVERIFY(f.store.events(f.clock.now().addDays(-1), f.clock.now().addDays(1)).isEmpty());
    }

    void launchShowsTheSignThenTheCountdown() {
        Fixture f;
        f.app.applicationDidFinishLaunching();
        QVERIFY(f.app.statusMenuItem);
        QVERIFY(ToviCopy::startupSigns().contains(f.app.statusMenuItem->text()));
        QVERIFY(f.app.mainTimer && f.app.mainTimer->isActive());

        const auto events = f.store.events(f.clock.now().addSecs(-1), f.clock.now().addSecs(1));
        QCOMPARE(events.size(), 1);
        QCOMPARE(events.first().type, StatsEventType::appLaunched);
        QCOMPARE(events.first().source, StatsEventSource::system);
        QVERIFY(!events.first().sessionId && events.first().payload.isEmpty());

        // Entering the launch path again starts nothing twice.
        f.app.startServices();
        QCOMPARE(f.store.events(f.clock.now().addSecs(-1), f.clock.now().addSecs(1)).size(), 1);

        f.clock.advanceSeconds(5.9);
        f.app.tick();
        QVERIFY(ToviCopy::startupSigns().contains(f.app.statusMenuItem->text()));
        f.clock.advanceSeconds(0.2);
        f.app.tick();
        // 19 minutes: the fifth template.
        QCOMPARE(f.app.statusMenuItem->text(), u"💼 打工续航还剩 19:58"_s);

        const QStringList titles = [&] {
            QStringList t;
            for (QAction* a : f.app.statusMenu()->actions())
                t << a->text();
            return t;
        }();
        QVERIFY(titles.contains(u"退出"_s));
    }

    void toolkitQuitIsRefusedUntilQuitApp() {
        Fixture f;
        QEvent quit(QEvent::Quit);
        QVERIFY(!f.app.applicationShouldTerminate());
        // The filter swallows the request; nothing ends the test process.
        QCoreApplication::sendEvent(qApp, &quit);
        QVERIFY(!f.app.isQuitting);
        QVERIFY(!QApplication::quitOnLastWindowClosed());
        f.app.isQuitting = true;
        QVERIFY(f.app.applicationShouldTerminate());
    }

    void theMainMenuReachesAboutAndQuit() {
        Fixture f;
        f.app.configureMainMenuForTextEditing();
        const QList<QAction*> appMenu = f.app.mainMenu()->actions().first()->menu()->actions();
        appMenu.first()->trigger();
        QCOMPARE(f.alerts.shown.size(), 1);
        QCOMPARE(f.alerts.shown.first().messageText, u"关于 Tovi"_s);

        QWidget window;
        auto pressQuitKey = [&window] {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier, u"q"_s);
            QCoreApplication::sendEvent(&window, &key);
        };
        f.app.triggerRestNow();
        pressQuitKey();
        QVERIFY(!f.app.isQuitting);
        f.app.stopRest();
        pressQuitKey();
        QVERIFY(f.app.isQuitting);
    }
};

QTEST_MAIN(TestAppLaunch)
#include "TestAppLaunch.moc"
