#include "AppFixture.h"
#include "app/ToviCopy.h"
#include "rest/RestCycle.h"
#include "rest/RestView.h"
#include "rest/RestWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Settings for a tag, work and rest seconds given as "TAG WORK REST", "-" for absent.
QStringList settings(const QString& mode, const QStringList& more = {}) {
    static const QStringList keys{u"selectedRestModeTag"_s, u"customRestModeWorkDuration"_s,
                                  u"customRestModeRestDuration"_s};
    QStringList out = more;
    const QStringList values = mode.split(u' ');
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (values.at(i) != u"-"_s)
            out << keys.at(i) + u'=' + values.at(i);
    return out;
}
} // namespace

class TestRestModes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // `stored`: the tag, work and rest seconds in the settings, "-" for absent;
    // `loaded`: the tag, work and rest the app comes up with.
    void loadingTheMode_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("loaded");
        QTest::newRow("empty settings give the default preset") << u"- - -"_s << u"120020 1200 20"_s;
        QTest::newRow("no tag but a saved custom mode selects it") << u"- 1500 30"_s << u"-1 1500 30"_s;
        QTest::newRow("a stored preset tag") << u"2700300 - -"_s << u"2700300 2700 300"_s;
        QTest::newRow("custom tag with a custom mode") << u"-1 180 4"_s << u"-1 180 4"_s;
        QTest::newRow("custom tag without a custom mode falls back") << u"-1 0 30"_s << u"120020 1200 20"_s;
        QTest::newRow("a negative custom duration is no custom mode") << u"- -60 30"_s << u"120020 1200 20"_s;
        QTest::newRow("an unknown tag from an older version") << u"999 1500 30"_s << u"120020 1200 20"_s;
        QTest::newRow("a tag that is no integer counts as absent") << u"abc 1500 30"_s << u"-1 1500 30"_s;
    }
    void loadingTheMode() {
        QFETCH(QString, stored);
        QFETCH(QString, loaded);
        AppFixture f(settings(stored));
        f.app->loadRestModeConfiguration();
        QCOMPARE(u"%1 %2 %3"_s.arg(f.app->selectedRestModeTag())
                     .arg(f.app->restCycle().workDuration())
                     .arg(f.app->restCycle().restDuration()),
                 loaded);
        // Loading writes nothing back.
        QCOMPARE(f.defaults.contains(u"selectedRestModeTag"_s), !stored.startsWith(u"- "_s));
    }

    // Mode titles pick minutes or seconds; the countdown's template follows the minute.
    void texts_data() {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const auto title = [](qint64 work, qint64 rest) { return RestModes::title({-1, work, rest}); };
        const auto line = &AppDelegate::workCountdownLine;
        QTest::newRow("the first preset") << title(1200, 20) << u"营业 20 分钟 / 眼睛下线 20 秒"_s;
        QTest::newRow("minutes of rest") << title(2700, 300) << u"营业 45 分钟 / 眼睛下线 5 分钟"_s;
        QTest::newRow("an hour of rest") << title(60, 3600) << u"营业 1 分钟 / 眼睛下线 60 分钟"_s;
        QTest::newRow("61 s stays seconds") << title(90, 61) << u"营业 90 秒 / 眼睛下线 61 秒"_s;
        QTest::newRow("zero") << title(0, 0) << u"营业 0 秒 / 眼睛下线 0 秒"_s;
        QTest::newRow("20:00 uses the first template") << line(1200) << u"⏳ 距离眼睛下班还有 20:00"_s;
        QTest::newRow("19:59 uses the fifth") << line(1199) << u"💼 打工续航还剩 19:59"_s;
        QTest::newRow("01:00 uses the second") << line(60) << u"👁 视网膜续航剩 01:00"_s;
        QTest::newRow("00:00 wraps to the first") << line(0) << u"⏳ 距离眼睛下班还有 00:00"_s;
        QTest::newRow("100 minutes keep three digits") << line(6000) << u"⏳ 距离眼睛下班还有 100:00"_s;
        QTest::newRow("13:05 uses the fourth") << line(785) << u"🫡 护眼倒计时 13:05"_s;
    }
    void texts() {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void aWorkPeriodThenARestThenWorkAgain() {
        AppFixture f(settings(u"-1 3 2"_s));
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
        AppFixture f(settings(u"-1 %1 20"_s.arg(work), {u"selectedTheme="_s + theme}));
        f.launch();
        for (qint64 i = 0; i < work; ++i)
            f.app->tick();
        QCOMPARE(f.wallpapers.requests, requests);
    }
};

QTEST_MAIN(TestRestModes)
#include "TestRestModes.moc"
