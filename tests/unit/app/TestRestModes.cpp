#include "AppFixture.h"
#include "app/ToviCopy.h"
#include "rest/RestCycle.h"
#include "rest/RestView.h"
#include "rest/RestWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

using namespace Qt::StringLiterals;

class TestRestModes : public QObject {
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
        AppFixture f(settings);
        f.app->loadRestModeConfiguration();
        QCOMPARE(f.app->selectedRestModeTag(), tag);
        QCOMPARE(f.app->restCycle().workDuration(), work);
        QCOMPARE(f.app->restCycle().restDuration(), rest);
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
        QCOMPARE(AppDelegate::workCountdownLine(remaining), line);
    }

    void aWorkPeriodThenARestThenWorkAgain() {
        AppFixture f({u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=3"_s,
                      u"customRestModeRestDuration=2"_s});
        f.launch();
        f.clock.advanceSeconds(7); // past the start-up sign
        for (int i = 0; i < 4; ++i)
            f.app->tick();
        QVERIFY(f.app->isResting());
        QCOMPARE(f.status(), ToviCopy::restStatusLine());
        QCOMPARE(f.app->restWindows().size(), 2);
        for (RestWindow* w : f.app->restWindows())
            QVERIFY(w->isVisible());
        for (int i = 0; i < 3; ++i)
            f.app->tick();
        QVERIFY(!f.app->isResting());
        QVERIFY(ToviCopy::restCompleteLines().contains(f.status()));
        for (RestWindow* w : f.app->restWindows())
            QVERIFY(!w->isVisible());
        QCOMPARE(f.events().last().type, StatsEventType::restCompleted);

        // The completion line holds for 5 s, then the countdown comes back.
        f.clock.advanceSeconds(4.9);
        f.app->tick();
        QVERIFY(ToviCopy::restCompleteLines().contains(f.status()));
        f.clock.advanceSeconds(0.2);
        f.app->tick();
        QCOMPARE(f.status(), u"⏳ 距离眼睛下班还有 00:01"_s);
    }

    // Ctrl+Q is the one way out while the rest covers every screen.
    void theQuitKeyWorksDuringARest() {
        AppFixture f;
        f.launch();
        f.app->triggerRestNow();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier, u"q"_s);
        QCoreApplication::sendEvent(f.app->restWindows().first()->contentView(), &key);
        QCoreApplication::processEvents();
        QVERIFY(f.app->applicationShouldTerminate());
        QVERIFY(f.app->restWindows().isEmpty());
        // Nothing is recorded at quit.
        QCOMPARE(f.events().last().type, StatsEventType::restStarted);
    }

    void aMessageDuringARestStaysUntilItEnds() {
        AppFixture f;
        f.launch();
        f.app->triggerRestNow();
        f.app->setTransientStatus(u"💧 已记录一杯水"_s, 5.0);
        f.clock.advanceSeconds(10);
        for (int i = 0; i < 5; ++i)
            f.app->tick();
        QCOMPARE(f.status(), u"💧 已记录一杯水"_s);
    }

    // One photo asked for at launch and one a minute before the rest, for the wallpaper theme only.
    void wallpaperPrefetch_data() {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<qint64>("work");
        QTest::addColumn<int>("requests");
        QTest::newRow("wallpaper, 20 minutes: at launch and before the rest")
            << u"wallpaper"_s << 1200LL << 2;
        QTest::newRow("wallpaper, 61 s: at launch and before the rest") << u"wallpaper"_s << 61LL << 2;
        QTest::newRow("wallpaper, 60 s: the work never reaches the check") << u"wallpaper"_s << 60LL << 1;
        QTest::newRow("aurora never asks") << u"aurora"_s << 1200LL << 0;
        QTest::newRow("a name that is no theme never asks") << u"Wallpaper"_s << 1200LL << 0;
    }
    void wallpaperPrefetch() {
        QFETCH(QString, theme);
        QFETCH(qint64, work);
        QFETCH(int, requests);
        AppFixture f({u"selectedTheme="_s + theme, u"selectedRestModeTag=-1"_s,
                      u"customRestModeWorkDuration=%1"_s.arg(work), u"customRestModeRestDuration=20"_s});
        f.launch();
        for (qint64 i = 0; i < work; ++i)
            f.app->tick();
        QCOMPARE(f.wallpapers.requests, requests);
    }
};

QTEST_MAIN(TestRestModes)
#include "TestRestModes.moc"
