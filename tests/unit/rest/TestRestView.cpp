#include "TestEnvironment.h"
#include "platform/Defaults.h"
#include "rest/RestCopy.h"
#include "rest/RestView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
struct Fixture {
    Fixture()
        : defaults(TestEnvironment::freshDirectory(u"view-%1"_s.arg(++count)) + u"/Tovi.conf"_s)
        , view(
              20, [this] { return seconds; }, u"本集标题 · 打工人终于眨眼了"_s,
              [this](const QString& line) { skips << line; }, defaults) {
        view.setAnimationClock([this] { return t; });
        view.resize(1920, 1080);
    }
    QImage render() {
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        view.render(&image);
        return image;
    }
    void key(QEvent::Type type, bool repeat = false) {
        QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, u" "_s, repeat);
        QCoreApplication::sendEvent(&view, &event);
    }

    static inline int count = 0;
    qint64 seconds = 20;
    double t = 0.0;
    QStringList skips;
    Defaults defaults;
    RestView view;
};

int luminance(QRgb p) {
    return (qRed(p) * 30 + qGreen(p) * 59 + qBlue(p) * 11) / 100;
}
// How many pixels of `area` are brighter than `threshold`.
int brightPixels(const QImage& image, const QRectF& area, int threshold = 200) {
    int n = 0;
    const QRect r = area.toAlignedRect().intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += luminance(image.pixel(x, y)) > threshold;
    return n;
}
int brightest(const QImage& image, const QRectF& area) {
    int best = 0;
    const QRect r = area.toAlignedRect().intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            best = std::max(best, luminance(image.pixel(x, y)));
    return best;
}
// A point of the progress arc: blue-green and lit, unlike the faint track.
bool arcLit(const QImage& image, QPointF at) {
    const QRgb p = image.pixel(at.toPoint());
    return qBlue(p) > 150 && qGreen(p) > 150 && qRed(p) < 150;
}
} // namespace

class TestRestView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void breathing_data() {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("before the first tick") << 0 << 0.0 << u"吸气..."_s;
        QTest::newRow("0.1 s") << 1 << 0.025 << u"慢吸气..."_s;
        QTest::newRow("2 s, half in") << 20 << 0.5 << u"慢吸气..."_s;
        QTest::newRow("just past 4 s, falling from full") << 41 << 0.975 << u"慢呼气..."_s;
        QTest::newRow("6 s") << 60 << 0.5 << u"慢呼气..."_s;
        QTest::newRow("8.1 s, the next breath") << 81 << 0.025 << u"慢吸气..."_s;
    }
    void breathing() {
        QFETCH(int, ticks);
        QFETCH(double, value);
        QFETCH(QString, text);
        Fixture f;
        for (int i = 0; i < ticks; ++i)
            f.view.breathingTick();
        QVERIFY2(std::abs(f.view.breathValue() - value) < 1e-9,
                 qPrintable(QString::number(f.view.breathValue())));
        QCOMPARE(f.view.breathText(), text);
        QVERIFY(f.view.breathTime() >= 0.0 && f.view.breathTime() < 8.0);
    }

    void breathingAroundTheTurns() {
        Fixture f;
        for (int i = 0; i < 40; ++i)
            f.view.breathingTick();
        // 4.0 s: at the top of the breath whichever side the sum lands on.
        QVERIFY(std::abs(f.view.breathValue() - 1.0) < 1e-9);
        for (int i = 0; i < 40; ++i)
            f.view.breathingTick();
        // 8.0 s: empty again, the next breath about to begin.
        QVERIFY(f.view.breathValue() < 1e-9);
    }

    void aHoldCompletesOnTheThirtyFirstTick() {
        Fixture f;
        f.view.show();
        f.view.mouseDownOnSkip();
        QVERIFY(f.view.isPressingSkip());
        for (int i = 0; i < 30; ++i)
            f.view.skipTimerTick();
        QVERIFY(f.view.skipProgress() < 1.0);
        QVERIFY(!f.view.isCompletingSkip());
        f.view.skipTimerTick();
        QCOMPARE(f.view.skipProgress(), 1.0);
        QVERIFY(f.view.isCompletingSkip() && !f.view.isPressingSkip());
        QVERIFY(RestCopy::restSkipLines().contains(*f.view.skipFeedbackText()));
        // Nothing undoes a completed hold.
        f.view.mouseUpOnSkip();
        f.view.mouseDownOnSkip();
        f.key(QEvent::KeyPress);
        QVERIFY(!f.view.isPressingSkip() && !f.view.isSpacePressed());
        QCOMPARE(f.view.skipProgress(), 1.0);
        QVERIFY(f.skips.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(f.skips.size(), 1, 5000);
        QCOMPARE(f.skips.first(), *f.view.skipFeedbackText());
    }

    void releasingEarlyCancels() {
        Fixture f;
        f.view.show();
        f.view.mouseDownOnSkip();
        for (int i = 0; i < 28; ++i)
            f.view.skipTimerTick();
        f.view.mouseUpOnSkip();
        QVERIFY(!f.view.isPressingSkip());
        QCOMPARE(f.view.skipProgress(), 0.0);
        QVERIFY(!f.view.skipFeedbackText());
    }

    void theMouseHoldsOnTheRoundControlOnly() {
        Fixture f;
        f.view.show();
        const QRectF control = f.view.layoutFor(RestTheme::aurora).skipControl;
        QWidget* bridge = f.view.childAt(control.center().toPoint());
        QVERIFY(bridge);
        // The square's corner lies outside the circle.
        QTest::mousePress(bridge, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(!f.view.isPressingSkip());
        QTest::mousePress(bridge, Qt::LeftButton, {}, QPoint(45, 45));
        QVERIFY(f.view.isPressingSkip());
        QTest::mouseRelease(bridge, Qt::LeftButton, {}, QPoint(45, 45));
        QVERIFY(!f.view.isPressingSkip());
    }

    void spaceKeyRules() {
        Fixture f;
        QWidget other;
        f.view.show();
        QVERIFY(f.view.hasSpaceKeyMonitor());
        f.key(QEvent::KeyPress);
        QVERIFY(f.view.isSpacePressed() && f.view.isPressingSkip());
        f.view.skipTimerTick();
        // Repeats change nothing, whether Qt flags them or the release comes first.
        f.key(QEvent::KeyRelease, true);
        f.key(QEvent::KeyPress, true);
        f.key(QEvent::KeyRelease);
        f.key(QEvent::KeyPress);
        QVERIFY(f.view.isPressingSkip());
        QTest::qWait(RestView::spaceReleaseSettleMs * 3);
        QVERIFY(f.view.isPressingSkip());
        QVERIFY(f.view.skipProgress() > 0.0);
        // A real release cancels once nothing follows it.
        f.key(QEvent::KeyRelease);
        QTRY_VERIFY(!f.view.isPressingSkip());
        QVERIFY(!f.view.isSpacePressed());

        // Space never reaches another window; other keys do.
        struct Counter : QObject {
            int keys = 0;
            bool eventFilter(QObject*, QEvent* e) override {
                keys += e->type() == QEvent::KeyPress;
                return false;
            }
        } counter;
        other.installEventFilter(&counter);
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, u" "_s);
        QCoreApplication::sendEvent(&other, &space);
        QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, u"a"_s);
        QCoreApplication::sendEvent(&other, &letter);
        QCOMPARE(counter.keys, 1);
        f.view.stopSkipTimer();

        f.view.hide();
        QVERIFY(!f.view.hasSpaceKeyMonitor());
        QCoreApplication::sendEvent(&other, &space);
        QCOMPARE(counter.keys, 2);
    }

    void theLastTickWaitsForASettlingRelease() {
        Fixture f;
        f.view.show();
        auto holdToTheLastTick = [&f] {
            f.key(QEvent::KeyPress);
            for (int i = 0; i < 30; ++i)
                f.view.skipTimerTick();
            f.key(QEvent::KeyRelease);
            f.view.skipTimerTick();
            QVERIFY(!f.view.isCompletingSkip());
        };
        // Let go just before the end: no skip.
        holdToTheLastTick();
        QTRY_VERIFY(!f.view.isPressingSkip());
        QVERIFY(!f.view.isCompletingSkip() && !f.view.skipFeedbackText());
        // The release was only the key repeating: the hold completes.
        holdToTheLastTick();
        f.key(QEvent::KeyPress);
        QVERIFY(f.view.isCompletingSkip());
    }

    void mouseAndSpaceTogether() {
        Fixture f;
        f.view.show();
        // Space during a mouse hold starts nothing.
        f.view.mouseDownOnSkip();
        f.view.skipTimerTick();
        const double progress = f.view.skipProgress();
        f.key(QEvent::KeyPress);
        QVERIFY(!f.view.isSpacePressed());
        QCOMPARE(f.view.skipProgress(), progress);
        f.view.mouseUpOnSkip();
        QVERIFY(!f.view.isPressingSkip());

        // A click during a Space hold: the press is ignored, the release cancels.
        f.key(QEvent::KeyPress);
        QVERIFY(f.view.isSpacePressed() && f.view.isPressingSkip());
        f.view.mouseDownOnSkip();
        f.view.mouseUpOnSkip();
        QVERIFY(!f.view.isPressingSkip());
        QVERIFY(f.view.isSpacePressed());
        f.key(QEvent::KeyPress, true);
        QVERIFY(!f.view.isPressingSkip());
        f.key(QEvent::KeyRelease);
        QTRY_VERIFY(!f.view.isSpacePressed());
        QVERIFY(!f.view.isPressingSkip());
        QCOMPARE(f.view.skipProgress(), 0.0);
    }

    void theRingFollowsTheCounter() {
        Fixture f;
        f.view.show();
        const QRectF ring = *f.view.layoutFor(RestTheme::aurora).ring;
        const QPointF c = ring.center();
        QImage full = f.render();
        QVERIFY(arcLit(full, c + QPointF(0, -95)));
        QVERIFY(arcLit(full, c + QPointF(-95, -3)));
        QVERIFY(brightPixels(full, QRectF(c.x() - 40, c.y() - 50, 80, 60)) > 100); // "20"

        f.seconds = 5;
        f.render();
        f.t += 0.2;
        QImage quarter = f.render();
        QVERIFY(arcLit(quarter, c + QPointF(10, -95)));  // just past 12 o'clock
        QVERIFY(!arcLit(quarter, c + QPointF(-95, -3))); // 9 o'clock is empty
        QVERIFY(!arcLit(quarter, c + QPointF(0, 95)));   // and 6 o'clock
        QVERIFY(quarter.copy(QRectF(c.x() - 40, c.y() - 50, 80, 60).toRect()) !=
                full.copy(QRectF(c.x() - 40, c.y() - 50, 80, 60).toRect()));
    }

    void theTipStaysInItsFrame() {
        Fixture f;
        f.view.show();
        QVERIFY(RestCopy::restTips().contains(f.view.tipText()));
        const auto layout = f.view.layoutFor(RestTheme::aurora);
        QCOMPARE(layout.tip->height(), 60.0);
        const QImage image = f.render();
        QVERIFY(brightPixels(image, *layout.tip) > 50);
        const QRectF above(0, layout.ring->bottom() + 12, 1920,
                           layout.tip->top() - layout.ring->bottom() - 12);
        const QRectF below(0, layout.tip->bottom(), 1920,
                           layout.skipControl.top() - layout.tip->bottom() - 4);
        QCOMPARE(brightPixels(image, above), 0);
        QCOMPARE(brightPixels(image, below), 0);
    }

    void themes_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("ring");
        QTest::addColumn<int>("hintOpacityPercent");
        QTest::newRow("aurora") << u"aurora"_s << true << 40;
        QTest::newRow("wallpaper") << u"wallpaper"_s << true << 40;
        QTest::newRow("ultraman") << u"ultraman"_s << false << 60;
        QTest::newRow("unknown counts as aurora") << u"Ultraman"_s << true << 40;
    }
    void themes() {
        QFETCH(QString, stored);
        QFETCH(bool, ring);
        QFETCH(int, hintOpacityPercent);
        Fixture f;
        f.defaults.setString(u"selectedTheme"_s, stored);
        f.t += 1.0; // past the switch's fade
        f.view.show();
        const auto layout = f.view.layoutFor(f.view.currentTheme());
        QCOMPARE(layout.ring.has_value(), ring);
        QCOMPARE(layout.tip.has_value(), ring);
        QCOMPARE(qRound(f.view.skipHintColor().alphaF() * 100), hintOpacityPercent);
        const QImage image = f.render();
        // Where the aurora ring and tip sit, something shows only when the theme has them.
        const auto aurora = f.view.layoutFor(RestTheme::aurora);
        QCOMPARE(brightPixels(image, *aurora.ring) > 50, ring);
        QCOMPARE(brightPixels(image, *aurora.tip) > 50, ring);
        QVERIFY(brightPixels(image, layout.skipControl) > 20); // "跳过"
        QCOMPARE(layout.skipControl.center().x(), 960.0);
        QVERIFY(layout.hint.top() - layout.skipControl.bottom() == 12.0);
    }

    void theHintIsBrighterInTheHeroTheme() {
        Fixture aurora;
        Fixture hero;
        hero.defaults.setString(u"selectedTheme"_s, u"ultraman"_s);
        hero.t = aurora.t = 1.0;
        const int dim = brightest(aurora.render(), aurora.view.layoutFor(RestTheme::aurora).hint);
        const int bright = brightest(hero.render(), hero.view.layoutFor(RestTheme::ultraman).hint);
        QVERIFY2(bright > dim + 15, qPrintable(u"%1 vs %2"_s.arg(bright).arg(dim)));
    }

    void aThemeChangeSwitchesEveryView() {
        Fixture a;
        RestView other(
            20, [] { return 20; }, QString(), nullptr, a.defaults);
        a.defaults.setString(u"selectedTheme"_s, u"ultraman"_s);
        QCOMPARE(a.view.currentTheme(), RestTheme::ultraman);
        QCOMPARE(other.currentTheme(), RestTheme::ultraman);
        // Mid-fade the old ring still shows, dimmed; afterwards it is gone.
        a.t += 0.3;
        const QRectF ring = *a.view.layoutFor(RestTheme::aurora).ring;
        QVERIFY(brightPixels(a.render(), ring, 100) > 20);
        a.t += 0.5;
        QCOMPARE(brightPixels(a.render(), ring, 100), 0);
        a.defaults.setString(u"selectedTheme"_s, u"aurora"_s);
        a.t += 1.0;
        QVERIFY(brightPixels(a.render(), ring) > 100);
    }

    void theFeedbackCardIsCentred() {
        Fixture f;
        f.view.show();
        f.view.startSkipTimer(RestView::holdSeconds);
        f.view.completeSkip();
        f.t += 1.0;
        const QImage image = f.render();
        const QRectF card = f.view.feedbackCardRect();
        QVERIFY(card.width() <= 620.0);
        QCOMPARE(card.center(), QPointF(960, 540));
        // The line is large and white inside the card; its orange border shows at the edge.
        QVERIFY(brightPixels(image, card.adjusted(34, 24, -34, -24)) > 300);
        const QRgb edge = image.pixel(QPoint(int(card.left()), int(card.center().y())));
        QVERIFY2(qRed(edge) > qBlue(edge) + 40, qPrintable(QString::number(edge, 16)));
        // The hint line says the same in orange.
        const QRectF hint = f.view.layoutFor(RestTheme::aurora).hint;
        QVERIFY(brightest(image, hint) > 100);
    }
};

QTEST_MAIN(TestRestView)
#include "TestRestView.moc"
