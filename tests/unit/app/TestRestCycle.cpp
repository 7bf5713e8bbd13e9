#include "FakeAlerts.h"
#include "FakeClock.h"
#include "FakeScreens.h"
#include "FakeWallpapers.h"
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "app/RestWindow.h"
#include "app/ToviCopy.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "rest/RestView.h"
#include "stats/StatsStore.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
struct Fixture {
    explicit Fixture(const QStringList& settings = {})
        : clock(QDateTime(QDate(2025, 3, 1), QTime(9, 0), Qt::LocalTime))
        , base(TestEnvironment::freshDirectory(u"rest-%1"_s.arg(++count)))
        , defaults(base + u"/Tovi.conf"_s)
        , store(base) {
        for (const QString& pair : settings) {
            const auto kv = pair.split(u'=');
            defaults.setString(kv.at(0), kv.at(1));
        }
        screens.setSideBySide(2);
        app = std::make_unique<AppDelegate>(AppServices{.defaults = &defaults,
                                                        .alerts = &alerts,
                                                        .screens = &screens,
                                                        .statsStore = &store,
                                                        .wallpapers = &wallpapers});
        Log::setCapture(&log);
    }
    ~Fixture() { Log::setCapture(nullptr); }

    void launch() {
        app->applicationDidFinishLaunching();
        clock.advanceSeconds(7); // past the start-up sign
    }
    QList<StatsEvent> events() const { return store.events(clock.now().addDays(-1), clock.now().addDays(1)); }
    QString status() const { return app->statusMenuItem->text(); }

    static inline int count = 0;
    FakeClock clock;
    QString base;
    Defaults defaults;
    FakeAlerts alerts;
    FakeScreens screens;
    StatsStore store;
    FakeWallpapers wallpapers;
    QStringList log;
    std::unique_ptr<AppDelegate> app;
};
} // namespace

class TestRestCycle : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadingTheMode_data() {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<qint64>("tag");
        QTest::addColumn<qint64>("work");
        QTest::addColumn<qint64>("rest");
        QTest::newRow("empty settings give the default preset")
            << QStringList{} << 120020LL << 1200LL << 20LL;
        QTest::newRow("no tag but a saved custom mode selects it")
            << QStringList{u"customRestModeWorkDuration=1500"_s, u"customRestModeRestDuration=30"_s} << -1LL
            << 1500LL << 30LL;
        QTest::newRow("a stored preset tag")
            << QStringList{u"selectedRestModeTag=2700300"_s} << 2700300LL << 2700LL << 300LL;
        QTest::newRow("custom tag with a custom mode")
            << QStringList{u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=180"_s,
                           u"customRestModeRestDuration=4"_s}
            << -1LL << 180LL << 4LL;
        QTest::newRow("custom tag without a custom mode falls back")
            << QStringList{u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=0"_s,
                           u"customRestModeRestDuration=30"_s}
            << 120020LL << 1200LL << 20LL;
        QTest::newRow("a negative custom duration is no custom mode")
            << QStringList{u"customRestModeWorkDuration=-60"_s, u"customRestModeRestDuration=30"_s}
            << 120020LL << 1200LL << 20LL;
        QTest::newRow("an unknown tag from an older version")
            << QStringList{u"selectedRestModeTag=999"_s, u"customRestModeWorkDuration=1500"_s,
                           u"customRestModeRestDuration=30"_s}
            << 120020LL << 1200LL << 20LL;
        QTest::newRow("a tag that is no integer counts as absent")
            << QStringList{u"selectedRestModeTag=abc"_s, u"customRestModeWorkDuration=1500"_s,
                           u"customRestModeRestDuration=30"_s}
            << -1LL << 1500LL << 30LL;
    }
    void loadingTheMode() {
        QFETCH(QStringList, settings);
        QFETCH(qint64, tag);
        QFETCH(qint64, work);
        QFETCH(qint64, rest);
        Fixture f(settings);
        f.app->loadRestModeConfiguration();
        QCOMPARE(f.app->selectedRestModeTag, tag);
        QCOMPARE(f.app->workDuration, work);
        QCOMPARE(f.app->restDuration, rest);
        // Loading writes nothing back.
        QCOMPARE(f.defaults.contains(u"selectedRestModeTag"_s),
                 settings.join(u' ').contains(u"selectedRestModeTag"_s));
    }

    void durationTexts_data() {
        QTest::addColumn<qint64>("work");
        QTest::addColumn<qint64>("rest");
        QTest::addColumn<QString>("title");
        QTest::newRow("first preset") << 1200LL << 20LL << u"营业 20 分钟 / 眼睛下线 20 秒"_s;
        QTest::newRow("minutes of rest") << 2700LL << 300LL << u"营业 45 分钟 / 眼睛下线 5 分钟"_s;
        QTest::newRow("custom 90 min / 45 s") << 5400LL << 45LL << u"营业 90 分钟 / 眼睛下线 45 秒"_s;
        QTest::newRow("an hour of rest") << 60LL << 3600LL << u"营业 1 分钟 / 眼睛下线 60 分钟"_s;
        QTest::newRow("61 s stays seconds") << 90LL << 61LL << u"营业 90 秒 / 眼睛下线 61 秒"_s;
        QTest::newRow("zero") << 0LL << 0LL << u"营业 0 秒 / 眼睛下线 0 秒"_s;
    }
    void durationTexts() {
        QFETCH(qint64, work);
        QFETCH(qint64, rest);
        QFETCH(QString, title);
        QCOMPARE(RestModes::title({-1, work, rest}), title);
    }

    void countdownTemplateFollowsTheMinute_data() {
        QTest::addColumn<qint64>("remaining");
        QTest::addColumn<QString>("line");
        QTest::newRow("20:00 uses the first") << 1200LL << u"⏳ 距离眼睛下班还有 20:00"_s;
        QTest::newRow("19:59 uses the fifth") << 1199LL << u"💼 打工续航还剩 19:59"_s;
        QTest::newRow("01:00") << 60LL << u"👁 视网膜续航剩 01:00"_s;
        QTest::newRow("00:00") << 0LL << u"⏳ 距离眼睛下班还有 00:00"_s;
        QTest::newRow("100 minutes keep three digits") << 6000LL << u"⏳ 距离眼睛下班还有 100:00"_s;
        QTest::newRow("13:05") << 785LL << u"🫡 护眼倒计时 13:05"_s;
    }
    void countdownTemplateFollowsTheMinute() {
        QFETCH(qint64, remaining);
        QFETCH(QString, line);
        Fixture f;
        f.launch();
        f.app->workSecondsRemaining = remaining;
        f.app->updateStatusMenuTitle();
        QCOMPARE(f.status(), line);
    }

    void aWorkPeriodThenARestThenWorkAgain() {
        Fixture f({u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=3"_s,
                   u"customRestModeRestDuration=2"_s});
        f.launch();
        QCOMPARE(f.app->workSecondsRemaining, 3);
        for (qint64 expected : {2, 1, 0}) {
            f.app->tick();
            QCOMPARE(f.app->workSecondsRemaining, expected);
            QVERIFY(!f.app->isResting);
        }
        f.app->tick();
        QVERIFY(f.app->isResting);
        QCOMPARE(f.status(), ToviCopy::restStatusLine());
        QCOMPARE(f.app->restWindows.size(), 2);
        for (RestWindow* w : f.app->restWindows)
            QVERIFY(w->isVisible());
        // The rest counts 2, 1, 0 and ends on the tick after 0.
        for (qint64 expected : {1, 0}) {
            f.app->tick();
            QCOMPARE(f.app->restSecondsRemaining, expected);
            QVERIFY(f.app->isResting);
        }
        f.app->tick();
        QVERIFY(!f.app->isResting);
        QCOMPARE(f.app->workSecondsRemaining, 3);
        QVERIFY(ToviCopy::restCompleteLines().contains(f.status()));
        for (RestWindow* w : f.app->restWindows)
            QVERIFY(!w->isVisible());
        QVERIFY(!f.app->currentRestSessionId);

        const auto events = f.events();
        QCOMPARE(events.size(), 3);
        const StatsEvent& started = events.at(1);
        const StatsEvent& completed = events.at(2);
        QCOMPARE(started.type, StatsEventType::restStarted);
        QCOMPARE(completed.type, StatsEventType::restCompleted);
        QVERIFY(started.sessionId && started.sessionId == completed.sessionId);
        QCOMPARE(*started.sessionId, started.sessionId->toUpper());
        QCOMPARE(completed.source, StatsEventSource::scheduled);
        const StatsPayload expected{{u"plannedSeconds"_s, 2},
                                    {u"actualSeconds"_s, 2},
                                    {u"skippedSeconds"_s, 0},
                                    {u"workDurationSeconds"_s, 3},
                                    {u"theme"_s, u"aurora"_s}};
        QCOMPARE(completed.payload, expected);
        QCOMPARE(started.payload.value(u"actualSeconds").intValue(), 0);

        // The completion line holds for 5 s, then the countdown comes back.
        f.clock.advanceSeconds(4.9);
        f.app->tick();
        QVERIFY(ToviCopy::restCompleteLines().contains(f.status()));
        f.clock.advanceSeconds(0.2);
        f.app->tick();
        QCOMPARE(f.status(), u"⏳ 距离眼睛下班还有 00:01"_s);
    }

    void skippingRecordsWhatWasLeft_data() {
        QTest::addColumn<qint64>("remaining");
        QTest::addColumn<qint64>("actual");
        QTest::addColumn<qint64>("skipped");
        QTest::newRow("7 of 20 left") << 7LL << 13LL << 7LL;
        QTest::newRow("at the last second") << 0LL << 20LL << 0LL;
        QTest::newRow("at once") << 20LL << 0LL << 20LL;
    }
    void skippingRecordsWhatWasLeft() {
        QFETCH(qint64, remaining);
        QFETCH(qint64, actual);
        QFETCH(qint64, skipped);
        Fixture f;
        f.launch();
        f.app->triggerRestNow();
        f.app->restSecondsRemaining = remaining;
        const QString line = u"⚠️ 跳过成功，视网膜硬撑值 +1"_s;
        f.app->stopRest(line);
        // A second report from another screen changes nothing.
        f.app->stopRest(line);
        QCOMPARE(f.status(), line);
        const auto events = f.events();
        QCOMPARE(events.size(), 3);
        QCOMPARE(events.last().type, StatsEventType::restSkipped);
        QCOMPARE(events.last().source, StatsEventSource::manual);
        QCOMPARE(events.last().payload.value(u"actualSeconds").intValue(), actual);
        QCOMPARE(events.last().payload.value(u"skippedSeconds").intValue(), skipped);
    }

    void aModeChangeDuringARestKeepsTheRest() {
        Fixture f;
        f.launch();
        f.app->triggerRestNow();
        f.app->tick();
        f.app->tick(); // 18 of 20 left
        f.app->selectMode(2700300);
        QVERIFY(f.app->isResting);
        QCOMPARE(f.app->workSecondsRemaining, 2700);
        QCOMPARE(f.status(), ToviCopy::restStatusLine());
        // The rest on screen is recorded at the length it started with.
        f.app->stopRest(u"skip"_s);
        auto payload = f.events().last().payload;
        QCOMPARE(payload.value(u"plannedSeconds").intValue(), 20);
        QCOMPARE(payload.value(u"actualSeconds").intValue(), 2);
        QCOMPARE(payload.value(u"workDurationSeconds").intValue(), 2700);

        f.app->triggerRestNow();
        f.app->selectMode(120020);
        f.app->restSecondsRemaining = 250;
        f.app->stopRest();
        payload = f.events().last().payload;
        QCOMPARE(payload.value(u"plannedSeconds").intValue(), 300);
        QCOMPARE(payload.value(u"actualSeconds").intValue(), 50);
    }

    void aMessageDuringARestStaysUntilItEnds() {
        Fixture f;
        f.launch();
        f.app->triggerRestNow();
        f.app->setTransientStatus(u"💧 已记录一杯水"_s, 5.0);
        f.clock.advanceSeconds(10);
        for (int i = 0; i < 5; ++i)
            f.app->tick();
        QCOMPARE(f.status(), u"💧 已记录一杯水"_s);
    }

    void windowsAreReusedWhileTheScreenCountHolds() {
        Fixture f;
        f.launch();
        f.screens.setSideBySide(0);
        f.app->triggerRestNow();
        QVERIFY(f.app->restWindows.isEmpty());
        QCOMPARE(f.log.last(), u"Tovi: Recreating rest windows"_s);
        for (int i = 0; i <= 20; ++i)
            f.app->tick();
        QVERIFY(!f.app->isResting);
        QCOMPARE(f.events().last().type, StatsEventType::restCompleted);

        f.screens.setSideBySide(2);
        f.app->triggerRestNow();
        QCOMPARE(f.log.last(), u"Tovi: Recreating rest windows"_s);
        const QList<RestWindow*> first = f.app->restWindows;
        QCOMPARE(first.size(), 2);
        QCOMPARE(first.at(1)->geometry(), QRect(1920, 0, 1920, 1080));
        f.app->stopRest();

        // Same count, rearranged: the same windows move to the new frames.
        f.screens.set({{u"A"_s, QRect(0, 0, 2560, 1440), QRect(0, 0, 2560, 1440)},
                       {u"B"_s, QRect(2560, 200, 1920, 1080), QRect(2560, 200, 1920, 1080)}});
        f.app->triggerRestNow();
        QCOMPARE(f.log.last(), u"Tovi: Reusing existing rest windows"_s);
        QCOMPARE(f.app->restWindows, first);
        QCOMPARE(f.app->restWindows.at(0)->screenInfo().geometry, QRect(0, 0, 2560, 1440));
        QCOMPARE(f.app->restWindows.at(1)->contentView()->totalRestSeconds(), 20);
        f.app->stopRest();

        f.screens.setSideBySide(3);
        f.app->triggerRestNow();
        QCOMPARE(f.log.last(), u"Tovi: Recreating rest windows"_s);
        QCOMPARE(f.app->restWindows.size(), 3);
        f.app->stopRest();
    }

    void aScreenLeavingDuringARestTakesItsWindow() {
        Fixture f;
        f.launch();
        f.screens.setSideBySide(3);
        f.app->triggerRestNow();
        QCOMPARE(f.app->restWindows.size(), 3);
        QPointer<RestWindow> first = f.app->restWindows.at(0);
        QPointer<RestWindow> second = f.app->restWindows.at(1);
        second->contentView()->mouseDownOnSkip();
        // The first screen goes; the others keep their windows and the hold.
        QList<ScreenInfo> remaining = f.screens.screens().mid(1);
        f.screens.set(remaining);
        QTRY_VERIFY(!first);
        QCOMPARE(f.app->restWindows.size(), 2);
        QCOMPARE(f.app->restWindows.at(0), second.data());
        QVERIFY(second->contentView()->isPressingSkip());
        for (RestWindow* w : f.app->restWindows)
            QVERIFY(w->isVisible());
        f.screens.setSideBySide(3);
        QTRY_COMPARE(f.app->restWindows.size(), 3);
        QVERIFY(f.app->restWindows.at(0)->isVisible());
        f.app->stopRest();
        QVERIFY(!f.app->restWindows.at(0)->isVisible());
    }

    void theWindowManagerCannotCloseARest() {
        Fixture f;
        f.launch();
        f.app->triggerRestNow();
        RestWindow* window = f.app->restWindows.first();
        QVERIFY(!window->close());
        QVERIFY(window->isVisible() && f.app->isResting);
        f.app->stopRest();
    }

    void wallpaperPrefetchOneMinuteBeforeTheRest_data() {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<qint64>("work");
        QTest::addColumn<int>("requests");
        QTest::newRow("wallpaper, 20 minutes") << u"wallpaper"_s << 1200LL << 1;
        QTest::newRow("wallpaper, 61 s") << u"wallpaper"_s << 61LL << 1;
        QTest::newRow("wallpaper, 60 s never reaches the check") << u"wallpaper"_s << 60LL << 0;
        QTest::newRow("aurora") << u"aurora"_s << 1200LL << 0;
        QTest::newRow("not a theme") << u"Wallpaper"_s << 1200LL << 0;
    }
    void wallpaperPrefetchOneMinuteBeforeTheRest() {
        QFETCH(QString, theme);
        QFETCH(qint64, work);
        QFETCH(int, requests);
        Fixture f({u"selectedTheme=aurora"_s});
        f.launch();
        f.defaults.setString(u"selectedTheme"_s, theme);
        f.app->workSecondsRemaining = work;
        for (qint64 i = 0; i < work; ++i)
            f.app->tick();
        QCOMPARE(f.wallpapers.requests, requests);
    }

    void launchPrefetchesForTheWallpaperThemeOnly() {
        Fixture wallpaper({u"selectedTheme=wallpaper"_s});
        wallpaper.launch();
        QCOMPARE(wallpaper.wallpapers.requests, 1);
        Fixture aurora;
        aurora.launch();
        QCOMPARE(aurora.wallpapers.requests, 0);
    }

    void savingACustomModeRestartsTheCountdown() {
        Fixture f;
        f.launch();
        f.alerts.whileShown = [](const AlertRequest& request) {
            const auto fields = request.accessory->findChildren<QLineEdit*>();
            fields.at(0)->setText(u" 25 "_s);
            fields.at(1)->setText(u"30"_s);
        };
        f.app->selectMode(-1); // no custom mode yet: the dialog opens
        QCOMPARE(f.app->selectedRestModeTag, -1);
        QCOMPARE(f.app->workSecondsRemaining, 1500);
        QCOMPARE(f.defaults.integer(u"customRestModeWorkDuration"_s), 1500);
        QCOMPARE(f.defaults.integer(u"selectedRestModeTag"_s), -1);
        QCOMPARE(f.status(), u"⏳ 距离眼睛下班还有 25:00"_s);

        f.app->selectMode(120020);
        f.alerts.shown.clear();
        f.app->selectMode(-1); // saved now: selected without asking
        QVERIFY(f.alerts.shown.isEmpty());
        QCOMPARE(f.app->restDuration, 30);
    }
};

QTEST_MAIN(TestRestCycle)
#include "TestRestCycle.moc"
