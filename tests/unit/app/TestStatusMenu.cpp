#include "AppFixture.h"
#include "app/Commands.h"
#include "app/TrayMenu.h"
#include "reminders/ReminderEngine.h"
#include "rest/RestCycle.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// The status menu of a launched delegate.
struct Fixture : AppFixture {
    explicit Fixture(const QStringList& settings = {})
        : AppFixture(settings) {
        launch();
    }
    QMenu* submenu(int row) const { return menu()->actions().at(row)->menu(); }
    // Each entry's title, marked "·" when it cannot be picked, "☐" when it
    // can be checked and "▸" when it opens a submenu; a separator as "—".
    QStringList rows() const {
        QStringList out;
        for (const QAction* a : menu()->actions())
            out << (a->isSeparator()
                        ? u"—"_s
                        : (a->isEnabled() ? u""_s : u"·"_s) + (a->isCheckable() ? u"☐"_s : u""_s) +
                              (a->menu() ? u"▸"_s : u""_s) + a->text());
        return out;
    }
    QString title(int row) const { return menu()->actions().at(row)->text(); }
    static QList<bool> checked(const QMenu* m) {
        QList<bool> out;
        for (const QAction* a : m->actions())
            if (a->isCheckable())
                out << a->isChecked();
        return out;
    }
};

enum Row { restNow = 4, restModes = 5, pause = 6, themes = 7, hydrationInterval = 13, pelvicInterval = 19 };
} // namespace

class TestStatusMenu : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theTree() {
        Fixture f;
        const QString expected = u"·%1|—|"
                                 u"·👁 护眼休息|·%2|    立即闭眼充能|"
                                 u"▸    护眼节奏|▸    暂停一下|▸    切换休息主题|☐    休息前 30 秒提醒我|—|"
                                 u"·💧 喝水提醒|·%3|☐    喝水提醒：已开启|"
                                 u"▸    喝水提醒间隔（当前每 45 分钟）|    立即喝水|—|"
                                 u"·🫧 提肛提醒|·%4|☐    提肛提醒：已开启|"
                                 u"▸    提肛提醒间隔（当前每 60 分钟）|    立即提肛|—|"
                                 u"▸📊 健康统计|—|☐开机自启|—|关于 Tovi|退出"_s;
        QCOMPARE(f.rows().join(u'|'), expected.arg(f.title(0), f.title(3), f.title(11), f.title(17)));
    }

    void marksAfterCommands() {
        Fixture f;
        QCOMPARE(Fixture::checked(f.submenu(themes)), (QList<bool>{true, false, false}));
        // With the rest far away nothing is fetched; another theme drops the photo.
        f.wallpapers.publish(QImage(4, 4, QImage::Format_RGB32));
        f.submenu(themes)->actions().at(1)->trigger();
        f.submenu(themes)->actions().at(1)->trigger();
        QVERIFY(!f.wallpapers.cachedImage().isNull());
        f.submenu(themes)->actions().at(2)->trigger();
        QCOMPARE(f.wallpapers.requests, 0);
        QVERIFY(f.wallpapers.cachedImage().isNull());
        Q_EMIT f.submenu(themes)->aboutToShow();
        QCOMPARE(Fixture::checked(f.submenu(themes)), (QList<bool>{false, false, true}));

        f.submenu(restModes)->actions().at(3)->trigger();
        QCOMPARE(Fixture::checked(f.submenu(restModes)), (QList<bool>{false, true, false, false}));
        QCOMPARE(f.submenu(restModes)->actions().at(0)->text(),
                 u"当前节奏：营业 45 分钟 / 眼睛下线 5 分钟"_s);

        f.submenu(hydrationInterval)->actions().at(3)->trigger();
        QCOMPARE(f.title(hydrationInterval), u"    喝水提醒间隔（当前每 90 分钟）"_s);
        QCOMPARE(Fixture::checked(f.submenu(hydrationInterval)), (QList<bool>{false, false, false, true}));

        f.menu()->actions().at(12)->trigger();
        QCOMPARE(f.title(12), u"    喝水提醒：已关闭"_s);
        QVERIFY(!f.menu()->actions().at(12)->isChecked());
        QCOMPARE(f.title(11), u"💧 水分雷达：已下线"_s);
    }

    void theCustomEntryBeforeAndAfterSaving() {
        Fixture f;
        f.clock.advanceSeconds(7); // past the start-up sign
        QAction* custom = f.submenu(restModes)->actions().at(6);
        QCOMPARE(custom->text(), u"自定义节奏：尚未设置"_s);
        QVERIFY(!custom->isEnabled() && !custom->isChecked());
        f.alerts.whileShown = [](const AlertRequest& request) {
            const auto fields = request.accessory->findChildren<QLineEdit*>();
            fields.at(0)->setText(u"25"_s);
            fields.at(1)->setText(u"30"_s);
        };
        f.submenu(restModes)->actions().last()->trigger();
        QCOMPARE(custom->text(), u"自定义节奏：营业 25 分钟 / 眼睛下线 30 秒"_s);
        QVERIFY(custom->isEnabled() && custom->isChecked());
        QCOMPARE(Fixture::checked(f.submenu(restModes)), (QList<bool>{false, false, false, true}));
        QCOMPARE(f.status(), u"⏳ 距离眼睛下班还有 25:00"_s);

        // Once saved, the custom mode is picked again without asking.
        f.submenu(restModes)->actions().at(2)->trigger();
        f.alerts.shown.clear();
        custom->trigger();
        QVERIFY(f.alerts.shown.isEmpty());
        QCOMPARE(f.app->restCycle().restDuration(), 30);
    }

    void openingTheMenusRefreshesStaleMarks_data() {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<QList<bool>>("marks");
        QTest::newRow("the wallpaper theme is marked") << u"wallpaper"_s << QList<bool>{false, true, false};
        QTest::newRow("a theme that is no theme marks none")
            << u"sunset"_s << QList<bool>{false, false, false};
    }
    void openingTheMenusRefreshesStaleMarks() {
        QFETCH(QString, theme);
        QFETCH(QList<bool>, marks);
        Fixture f;
        // Both changed behind the menu's back.
        f.defaults.setString(u"selectedTheme"_s, theme);
        QVERIFY(TestEnvironment::writeFile(f.base + u"/autostart/tovi.desktop"_s,
                                           "[Desktop Entry]\nType=Application\nExec=/usr/bin/tovi\n"));
        Q_EMIT f.submenu(themes)->aboutToShow();
        QCOMPARE(Fixture::checked(f.submenu(themes)), marks);
        Q_EMIT f.menu()->aboutToShow();
        QVERIFY(f.entry(u"开机自启"_s)->isChecked());
    }

    void dialogsStartFromTheCurrentValues_data() {
        QTest::addColumn<qint64>("work");
        QTest::addColumn<QString>("shown");
        QTest::newRow("90 s shows 1 minute") << 90LL << u"1"_s;
        QTest::newRow("20 s shows 1 minute") << 20LL << u"1"_s;
        QTest::newRow("1500 s shows 25") << 1500LL << u"25"_s;
    }
    void dialogsStartFromTheCurrentValues() {
        QFETCH(qint64, work);
        QFETCH(QString, shown);
        Fixture f({u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=%1"_s.arg(work),
                   u"customRestModeRestDuration=20"_s});
        QStringList texts;
        f.alerts.script = {1};
        f.alerts.whileShown = [&](const AlertRequest& request) {
            for (const QLineEdit* e : request.accessory->findChildren<QLineEdit*>())
                texts << e->text();
        };
        f.app->showCustomRestModeDialog();
        QCOMPARE(texts, (QStringList{shown, u"20"_s}));
        QCOMPARE(f.app->restCycle().workDuration(), work); // cancelled
    }

    // The parser and its ranges have their own table; this one checks the wiring of both twins.
    void intervalDialogs_data() {
        QTest::addColumn<bool>("pelvic");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer"); // 0 is the first button, which applies
        QTest::addColumn<qint64>("stored");
        QTest::newRow("water: 480 is applied") << false << u"480"_s << 0 << 480LL;
        QTest::newRow("water: 481 leaves it and says why") << false << u"481"_s << 0 << 60LL;
        QTest::newRow("water: a valid value cancelled leaves it") << false << u"30"_s << 1 << 60LL;
        QTest::newRow("pelvic floor: 0 leaves it and says why") << true << u"0"_s << 0 << 60LL;
    }
    void intervalDialogs() {
        QFETCH(bool, pelvic);
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(qint64, stored);
        const QString key =
            pelvic ? u"pelvicFloorReminderIntervalMinutes"_s : u"hydrationReminderIntervalMinutes"_s;
        Fixture f({key + u"=60"_s});
        f.alerts.script = {answer};
        f.alerts.whileShown = [&](const AlertRequest& request) {
            if (request.accessory)
                request.accessory->findChild<QLineEdit*>()->setText(typed);
        };
        f.submenu(pelvic ? pelvicInterval : hydrationInterval)->actions().last()->trigger();
        QCOMPARE(f.defaults.integer(key), stored);
        // Only an applied value that is refused says why; a cancel says nothing.
        QCOMPARE(f.alerts.shown.size(), answer == 0 && stored == 60 ? 2 : 1);
    }

    void recordingADrinkFromTheMenu() {
        Fixture f;
        f.alerts.script = {1}; // not now
        f.menu()->actions().at(14)->trigger();
        QCOMPARE(f.app->reminders().first()->count(), 0);
        f.alerts.script = {0};
        f.menu()->actions().at(14)->trigger();
        QCOMPARE(f.app->reminders().first()->count(), 1);
        QCOMPARE(f.title(11), u"💧 今日 1 杯 · 下次吨吨吨 45:00"_s);
    }

    // Each entry, the line and the icon it leaves, and the way back.
    void thePauseSubmenu() {
        Fixture f;
        f.clock.advanceSeconds(7); // past the start-up sign
        QMenu* pause = f.submenu(Row::pause);
        const QStringList titles{u"暂停 30 分钟"_s, u"暂停 1 小时"_s, u"暂停 2 小时"_s, u"暂停到明天"_s};
        Q_EMIT pause->aboutToShow();
        QVERIFY(!pause->actions().last()->isVisible()); // 继续营业 only while paused
        const QStringList ends{u"10:30"_s, u"11:00"_s, u"12:00"_s, u"明天 00:00"_s};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(pause->actions().at(i)->text(), titles.at(i));
            pause->actions().at(i)->trigger();
            QCOMPARE(f.status(), u"⏸ 护眼先放个假，%1 回来营业"_s.arg(ends.at(i)));
            QCOMPARE(f.app->trayMenu().toolTip(), u"Tovi · 暂停中，%1 回来营业"_s.arg(ends.at(i)));
        }
        QCOMPARE(f.app->commands().pausedUntil(), localTime(2025, 3, 4));
        QVERIFY(f.app->trayMenu().showsPaused());
        Q_EMIT pause->aboutToShow();
        QCOMPARE(pause->actions().last()->text(), u"继续营业"_s);
        QVERIFY(pause->actions().last()->isVisible());
        pause->actions().last()->trigger();
        QCOMPARE(f.app->commands().state(), Commands::State::working);
        QVERIFY(!f.app->trayMenu().showsPaused());
        QCOMPARE(f.status(), u"⏳ 距离眼睛下班还有 20:00"_s);
        QCOMPARE(f.app->trayMenu().toolTip(), u"Tovi · 20 分钟后闭眼充能"_s);
    }
};

QTEST_MAIN(TestStatusMenu)
#include "TestStatusMenu.moc"
