#include "E2eHarness.h"

#include <QDir>
#include <QImage>
#include <QJsonObject>
#include <QPainter>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

class TestRestProcess : public QObject {
    Q_OBJECT
private:
    VirtualDesktop m_desktop;

    // Frames of the visible full-screen windows Tovi shows.
    QList<QRect> restWindowFrames() const {
        QList<QRect> frames;
        for (const QString& id : m_desktop.visibleWindowsOfClass(u"tovi"_s)) {
            const QRect frame = m_desktop.windowGeometry(id);
            if (frame.width() >= 1920 && frame.height() >= 1080)
                frames.append(frame);
        }
        std::sort(frames.begin(), frames.end(), [](QRect a, QRect b) { return a.x() < b.x(); });
        return frames;
    }

    // The mean colour of `area` in a screenshot.
    static QColor mean(const QImage& shot, const QRect& area) {
        return shot.copy(area).scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
    }
    // Both monitors show the same picture in `area` of each, give or take the random parts.
    static bool monitorsAlike(const QImage& shot, const QRect& area) {
        const QColor a = mean(shot, area);
        const QColor b = mean(shot, area.translated(1920, 0));
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) <
               24;
    }
    // The `n`th rest has begun and its windows are up.
    bool restOn(const ToviProcess& tovi, qsizetype n, qsizetype windows = 2) const {
        return waitUntil([&] { return tovi.events(u"rest_started"_s).size() == n; }, 15000) &&
               waitUntil([&] { return restWindowFrames().size() == windows; }, 3000);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_desktop.isRunning(), qPrintable(m_desktop.error())); }

    void restsOnEveryScreenAndSkipsByHoldingSpace() {
        ToviProcess tovi(m_desktop, e2eHome(u"rest"_s));
        tovi.seedSettings(customRest(6, 4));
        QVERIFY(tovi.start());

        // The first rest covers both monitors, panels included.
        QVERIFY(restOn(tovi, 1));
        QCOMPARE(restWindowFrames(), (QList<QRect>{{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}}));
        QVERIFY(backdropInEveryCorner(QImage(m_desktop.screenshot(u"rest-two-monitors"_s))));

        // It ends by itself in real time, recorded under the same session (the
        // payload's other fields are the cycle's unit test).
        E2E_WAIT_COMPARE(tovi.events(u"rest_completed"_s).size(), 1, 10000);
        const QJsonObject completed = tovi.events(u"rest_completed"_s).first();
        QCOMPARE(completed.value("sessionId"_L1),
                 tovi.events(u"rest_started"_s).first().value("sessionId"_L1));
        QCOMPARE(completed.value("payload"_L1).toObject().value("actualSeconds"_L1).toInt(), 4);
        E2E_WAIT_COMPARE(restWindowFrames().size(), 0, 3000);

        // The next one is skipped by holding Space, past the 1.5 s hold with room for a busy machine.
        QVERIFY(restOn(tovi, 2));
        m_desktop.holdKey(u"space"_s, 2000);
        m_desktop.screenshot(u"rest-skip-feedback"_s);
        E2E_WAIT_COMPARE(tovi.events(u"rest_skipped"_s).size(), 1, 10000);
        const QJsonObject skipped = tovi.events(u"rest_skipped"_s).first();
        QCOMPARE(skipped.value("sessionId"_L1), tovi.events(u"rest_started"_s).at(1).value("sessionId"_L1));
        QCOMPARE(tovi.events(u"rest_completed"_s).size(), 1);

        // A third monitor: the windows are made anew, three of them. On a busy
        // machine the screen may only be heard of once the rest is on, and is
        // then covered by rearranging; either way it is said.
        const QString recreating = u"Tovi: Recreating rest windows"_s;
        const QString rearranging = u"Tovi: Screens changed during a rest, rearranging rest windows"_s;
        const auto rearranged = [&] {
            const QStringList lines = tovi.logLines();
            return lines.count(recreating) + lines.count(rearranging);
        };
        QCOMPARE(rearranged(), 1);
        QVERIFY(m_desktop.control(u"add-monitor"_s));
        QVERIFY(restOn(tovi, 3, 3));
        QCOMPARE(restWindowFrames().last(), QRect(3840, 0, 1920, 1080));
        E2E_WAIT(rearranged() >= 2, 3000);
        const qsizetype withThree = rearranged();
        m_desktop.screenshot(u"rest-three-monitors"_s);

        // And the monitor leaving mid-rest takes its window along.
        QVERIFY(m_desktop.control(u"remove-monitor"_s));
        E2E_WAIT(rearranged() > withThree, 3000);
        E2E_WAIT_COMPARE(restWindowFrames().size(), 2, 5000);
        E2E_WAIT_COMPARE(tovi.events(u"rest_completed"_s).size(), 2, 10000);

        // Ctrl+Q during a rest, when the menu is out of reach, ends Tovi
        // and records nothing more.
        QVERIFY(restOn(tovi, 4));
        m_desktop.xdotool({u"key"_s, u"ctrl+q"_s});
        QVERIFY(tovi.waitForExit());
        QCOMPARE(tovi.exitCode(), 0);
        QCOMPARE(tovi.events(u"rest_completed"_s).size(), 2);
    }

    void theSelectorSwitchesEveryScreenAndTheCachedPhotoShows() {
        ToviProcess tovi(m_desktop, e2eHome(u"themes"_s));
        tovi.seedSettings(customRest(3, 60));
        // Orange above, green below: both survive the blur and the veil.
        QImage photo(1600, 1200, QImage::Format_RGB32);
        photo.fill(QColor(230, 120, 40));
        QPainter(&photo).fillRect(0, 600, 1600, 600, QColor(40, 160, 80));
        QDir().mkpath(tovi.home() + u"/cache/Tovi"_s);
        QVERIFY(photo.save(tovi.home() + u"/cache/Tovi/cached_wallpaper_v2.jpg"_s, "JPEG"));
        QVERIFY(tovi.start(true));
        QVERIFY(restOn(tovi, 1));
        QTest::qWait(1500);
        // The cat sits under the ring on both monitors, in its orange fur.
        const QRect cat(960 - 50, 450, 100, 80);
        const QImage aurora(m_desktop.screenshot(u"rest-theme-aurora"_s));
        QVERIFY(mean(aurora, cat).red() > 90 && monitorsAlike(aurora, cat));

        // The selector's buttons sit 20 pt in from the top-right corner;
        // the wallpaper button is the second of three, on the first monitor.
        const auto button = [](int monitor, int index) {
            return QStringList{u"mousemove"_s,
                               QString::number(1920 * (monitor + 1) - 30 - 16 - 40 * (2 - index)), u"44"_s,
                               u"click"_s, u"1"_s};
        };
        m_desktop.xdotool(button(0, 1));
        QTest::qWait(1500);
        const QImage wallpaper(m_desktop.screenshot(u"rest-theme-wallpaper"_s));
        for (const QPoint at : {QPoint(100, 150), QPoint(2020, 150)}) {
            const QColor c = wallpaper.pixelColor(at);
            QVERIFY2(c.red() > 140 && c.blue() < 90, qPrintable(c.name()));
        }
        // The hero button on the second monitor switches both, and is stored.
        m_desktop.xdotool(button(1, 2));
        QTest::qWait(2000);
        const QImage hero(m_desktop.screenshot(u"rest-theme-ultraman"_s));
        const QRect glow(960 - 200, 200, 400, 300);
        QVERIFY(mean(hero, glow).blue() > mean(hero, glow).green() && monitorsAlike(hero, glow));
        E2E_WAIT(QSettings(tovi.settingsPath(), QSettings::IniFormat).value(u"selectedTheme"_s) ==
                     u"ultraman"_s,
                 3000);
    }

    void withoutNetworkTheWallpaperPlaceholderSaysSo() {
        ToviProcess tovi(m_desktop, e2eHome(u"offline"_s));
        tovi.seedSettings(customRest(3, 8) << u"selectedTheme=wallpaper"_s);
        QVERIFY(tovi.start(true));
        QVERIFY(restOn(tovi, 1));
        // Once both fetches have failed the spinner stops on each monitor and
        // the line stays. A window may be mapped a moment before its first frame.
        const auto saysSo = [this](const QString& name) {
            const QImage shot(m_desktop.screenshot(name));
            return std::ranges::all_of(QList<int>{0, 1}, [&shot](int monitor) {
                const int x = 1920 * monitor;
                return Pixels::count(
                           shot, QRect(x + 940, 690, 40, 40),
                           [](QRgb c) { return qGreen(c) > 120 && qBlue(c) > 120 && qRed(c) < 100; }) == 0 &&
                       Pixels::count(shot, QRect(x + 760, 721, 400, 39),
                                     [](QRgb c) { return qGray(c) > 60; }) > 50;
            });
        };
        E2E_WAIT(saysSo(u"rest-wallpaper-offline"_s), 6000);
        E2E_WAIT_COMPARE(tovi.events(u"rest_completed"_s).size(), 1, 10000);
        const QString log = tovi.logLines().join(u'\n');
        QVERIFY2(log.contains(u"⚠️ 从 Picsum 列表获取数据失败，正在尝试直连源..."_s),
                 qPrintable(log));
        QVERIFY2(log.contains(u"⚠️ 壁纸拉取网络错误: "_s), qPrintable(log));
    }
};

QTEST_GUILESS_MAIN(TestRestProcess)
#include "TestRestProcess.moc"
