#include "AppFixture.h"
#include "app/Commands.h"
#include "app/ToviCopy.h"
#include "rest/RestCycle.h"
#include "rest/RestView.h"
#include "rest/RestWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Settings for a tag, work and rest seconds given as "TAG WORK REST", "-" for absent.
QStringList settings(const QString& mode, const QString& more = {}) {
    const QStringList v = mode.split(u' ');
    return QStringList{u"selectedRestModeTag="_s + v[0], u"customRestModeWorkDuration="_s + v[1],
                       u"customRestModeRestDuration="_s + v[2], more}
        .filter(QRegularExpression(u"=(?!-$)"_s));
}
} // namespace

class TestAppDelegate : public QObject {
    Q_OBJECT
private:
    QString m_base;

private Q_SLOTS:
    void launchShowsTheSignThenTheCountdown() {
        AppFixture f;
        QVERIFY(f.events().isEmpty());
        f.launch();
        const auto events = f.events();
        QCOMPARE(events.size(), 1);
        QVERIFY(events.first().type == StatsEventType::appLaunched && !events.first().sessionId);
        QVERIFY(!QApplication::quitOnLastWindowClosed());

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

        f.app->mainMenu()->actions().first()->menu()->actions().first()->trigger();
        QCOMPARE(f.alerts.shown.size(), 1);
        QCOMPARE(f.alerts.shown.first().messageText, u"关于 Tovi"_s);
    }

    // Ctrl+Q is the one way out, even while the rest covers every screen.
    void quitting_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("quits");
        QTest::newRow("a toolkit quit request is refused") << u"toolkit"_s << false;
        QTest::newRow("Ctrl+Q in any window quits") << u"window"_s << true;
        QTest::newRow("Ctrl+Q on the rest overlay quits and closes it") << u"overlay"_s << true;
    }
    void quitting() {
        QFETCH(QString, how);
        QFETCH(bool, quits);
        AppFixture f;
        f.launch();
        f.app->commands().rest();
        QWidget window;
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier, u"q"_s);
        QEvent quit(QEvent::Quit);
        // The filter swallows the toolkit's request; nothing ends the test process.
        if (how == u"toolkit"_s)
            QCoreApplication::sendEvent(qApp, &quit);
        else
            QCoreApplication::sendEvent(
                how == u"window"_s ? &window : f.app->restWindows().first()->contentView(), &key);
        QCoreApplication::processEvents();
        QCOMPARE(f.app->applicationShouldTerminate(), quits);
        QCOMPARE(f.app->restWindows().isEmpty(), quits);
        // Nothing is recorded at quit.
        QCOMPARE(f.events().last().type, StatsEventType::restStarted);
    }

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
        // Each counter shows 0 for a whole tick before it moves on.
        for (int i = 0; i < 3; ++i)
            f.app->tick();
        QVERIFY(!f.app->isResting() && f.app->restCycle().workSecondsRemaining() == 0);
        f.app->tick();
        QVERIFY(f.app->isResting() && f.app->restCycle().source() == StatsEventSource::scheduled);
        QCOMPARE(f.status(), ToviCopy::restStatusLine());
        QCOMPARE(f.app->restWindows().size(), 2);
        QVERIFY(std::ranges::all_of(f.app->restWindows(), &QWidget::isVisible));
        f.app->setTransientStatus(u"💧 已记录一杯水"_s, 0.5);
        f.clock.advanceSeconds(1);
        f.app->tick();
        // A message during the rest outlives its own time until the rest ends.
        QCOMPARE(f.status(), u"💧 已记录一杯水"_s);
        for (int i = 0; i < 2; ++i)
            f.app->tick();
        QVERIFY(!f.app->isResting());
        QVERIFY(ToviCopy::restCompleteLines().contains(f.status()));
        QVERIFY(std::ranges::none_of(f.app->restWindows(), &QWidget::isVisible));
        QCOMPARE(f.events().last().type, StatsEventType::restCompleted);

        // The completion line holds for 5 s, then the countdown comes back.
        f.clock.advanceSeconds(4.9);
        f.app->tick();
        QVERIFY(ToviCopy::restCompleteLines().contains(f.status()));
        f.clock.advanceSeconds(0.2);
        f.app->tick();
        QCOMPARE(f.status(), u"⏳ 距离眼睛下班还有 00:01"_s);
    }

    // A photo is asked for once a wallpaper rest is a minute away, at launch or at that minute.
    void wallpaperPrefetch_data() {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<qint64>("work");
        QTest::addColumn<int>("requests");
        QTest::newRow("wallpaper, 61 s: at the minute before the rest") << u"wallpaper"_s << 61LL << 1;
        QTest::newRow("wallpaper, 60 s: at launch") << u"wallpaper"_s << 60LL << 1;
        QTest::newRow("aurora never asks") << u"aurora"_s << 1200LL << 0;
        QTest::newRow("a name that is no theme never asks") << u"Wallpaper"_s << 1200LL << 0;
    }
    void wallpaperPrefetch() {
        QFETCH(QString, theme);
        QFETCH(qint64, work);
        QFETCH(int, requests);
        AppFixture f(settings(u"-1 %1 20"_s.arg(work), u"selectedTheme="_s + theme));
        f.launch();
        for (qint64 i = 0; i < work; ++i)
            f.app->tick();
        QCOMPARE(f.wallpapers.requests, requests);
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
        // Quoted for the command line, then escaped again for the entry's string.
        QVERIFY(TestEnvironment::readLines(path).contains(uR"(Exec="/opt/my apps/100%% \\"x\\"/tovi")"_s));
        mark.trigger();
        QVERIFY(!QFile::exists(path) && !mark.isChecked());
        QCOMPARE(f.log.filter(u"开机自启"_s),
                 (QStringList{u"Tovi: 已设置开机自启"_s, u"Tovi: 已取消开机自启"_s}));
        QVERIFY(f.alerts.shown.isEmpty());
    }

    void failureIsExplainedAndTheMarkTellsTheTruth_data() {
        QTest::addColumn<bool>("enabledBefore");
        QTest::addColumn<QString>("logPrefix");
        QTest::addColumn<QString>("alertPrefix");
        QTest::newRow("registering fails") << false << u"Tovi: 设置开机自启失败: "_s
                                           << u"开机自启没设置上：自启动项%1写不进去。\n\n错误信息: "_s;
        QTest::newRow("unregistering fails") << true << u"Tovi: 取消开机自启失败: "_s
                                             << u"开机自启没取消掉：自启动项%1删不掉。\n\n错误信息: "_s;
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
        mark.trigger();
        QCOMPARE(mark.isChecked(), enabledBefore);
        const QStringList log = f.log.filter(u"开机自启"_s);
        QCOMPARE(log.size(), 1);
        QVERIFY(log.first().startsWith(logPrefix) && log.first().size() > logPrefix.size());
        QCOMPARE(f.alerts.shown.size(), 1);
        QCOMPARE(f.alerts.shown.first().style, AlertRequest::Style::Warning);
        // The entry's place is named where the service has one, from the home directory.
        const QString where = real.location().replace(QDir::homePath(), u"~"_s);
        QCOMPARE(f.alerts.shown.first().informativeText,
                 alertPrefix.arg(enabledBefore ? QString() : u' ' + where + u' ') +
                     log.first().mid(logPrefix.size()));
    }
};

QTEST_MAIN(TestAppDelegate)
#include "TestAppDelegate.moc"
