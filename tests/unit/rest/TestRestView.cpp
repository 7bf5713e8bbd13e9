#include "FakeClock.h"
#include "Pixels.h"
#include "TestEnvironment.h"
#include "platform/Defaults.h"
#include "rest/RestCopy.h"
#include "rest/RestView.h"
#include "rest/ThemeSelectorOverlay.h"
#include "themes/ClassicBackground.h"
#include "themes/RestingCatView.h"
#include "themes/UltramanTigaView.h"

#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
struct Fixture {
    Fixture()
        : clock(localTime(2025, 3, 3, 10))
        , defaults(TestEnvironment::freshDirectory(u"view-%1"_s.arg(++count)) + u"/Tovi.conf"_s)
        , view(
              20, [this] { return seconds; }, u"本集标题 · 打工人终于眨眼了"_s,
              [this](const QString& line) { skips << line; }, themes) {
        view.setAnimationClock([this] { return t; });
        view.resize(1920, 1080);
    }
    QImage render() {
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        view.render(&image);
        return image;
    }

    static inline int count = 0;
    FakeClock clock;
    qint64 seconds = 20;
    double t = 0.0;
    QStringList skips;
    Defaults defaults;
    ThemeSetting themes{defaults};
    RestView view;
};

int luminance(QRgb p) {
    return (qRed(p) * 30 + qGreen(p) * 59 + qBlue(p) * 11) / 100;
}
int brightPixels(const QImage& image, const QRectF& area, int threshold = 200) {
    return Pixels::count(image, area, [threshold](QRgb p) { return luminance(p) > threshold; });
}
// The warning sign's yellow.
bool yellow(QRgb p) {
    return qRed(p) > 200 && qGreen(p) > 170 && qBlue(p) < 90;
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
        // At the turns the sum may land on either side; the value must not jump.
        QTest::newRow("4.0 s, the top of the breath") << 40 << 1.0 << QString();
        QTest::newRow("8.0 s, empty again") << 80 << 0.0 << QString();
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
        if (!text.isEmpty())
            QCOMPARE(f.view.breathText(), text);
        QVERIFY(f.view.breathTime() >= 0.0 && f.view.breathTime() < 8.0);
    }

    void theMouseHoldsOnTheRoundControlOnly() {
        Fixture f;
        f.view.show();
        const QRectF control = f.view.layoutFor(RestTheme::aurora).skipControl;
        QWidget* bridge = f.view.childAt(control.center().toPoint());
        QVERIFY(bridge);
        // The square's corner lies outside the circle.
        QTest::mousePress(bridge, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(!f.view.hold().isPressing());
        QTest::mousePress(bridge, Qt::LeftButton, {}, QPoint(45, 45));
        QVERIFY(f.view.hold().isPressing());
        QTest::mouseRelease(bridge, Qt::LeftButton, {}, QPoint(45, 45));
        QVERIFY(!f.view.hold().isPressing());
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
        const QImage image = f.render();
        QVERIFY(brightPixels(image, *layout.tip) > 50);
        const QRectF above(0, layout.figure->bottom() + 12, 1920,
                           layout.tip->top() - layout.figure->bottom() - 12);
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
        const auto where = ring ? layout : f.view.layoutFor(RestTheme::aurora);
        QCOMPARE(brightPixels(image, *where.ring) > 50, ring);
        QCOMPARE(brightPixels(image, *where.tip) > 50, ring);
        QVERIFY(brightPixels(image, layout.skipControl) > 20); // "跳过"
        QCOMPARE(layout.skipControl.center().x(), 960.0);
    }

    void aChoiceInOneSelectorSwitchesEveryView() {
        Fixture a;
        a.view.show();
        RestView other(
            20, [] { return 20; }, QString(), nullptr, a.themes);
        ThemeSelectorOverlay* selector = other.themeSelector();
        const auto press = [selector](QPointF at) {
            QMouseEvent event(QEvent::MouseButtonPress, at, selector->mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(selector, &event);
        };
        press(selector->buttonRect(RestTheme::wallpaper).center());
        // Halfway the ring and the tip glide between their places, one of each.
        a.t += 0.2;
        const auto from = a.view.layoutFor(RestTheme::aurora), to = a.view.layoutFor(RestTheme::wallpaper);
        const QImage gliding = a.render();
        const QPointF top(0, -95);
        QVERIFY(arcLit(gliding, (from.ring->center() + to.ring->center()) / 2 + top));
        QVERIFY(!arcLit(gliding, from.ring->center() + top) && !arcLit(gliding, to.ring->center() + top));
        QCOMPARE(brightPixels(gliding, *from.tip) + brightPixels(gliding, *to.tip), 0);
        QVERIFY(brightPixels(gliding, from.tip->united(*to.tip)) > 50);
        a.t += 1.0;
        press({selector->sliderTrack().left(), selector->sliderTrack().center().y()});
        QCOMPARE(a.view.themeSelector()->blurRadius(), 0.0);
        {
            ThemeSetting quitting(a.defaults); // the drag's last radius is stored at the latest on quit
            quitting.setBlurRadius(7.5);
        }
        QCOMPARE(a.defaults.real(u"wallpaperBlurRadius"_s), 7.5);
        press(selector->buttonRect(RestTheme::ultraman).center());
        QCOMPARE(a.view.currentTheme(), RestTheme::ultraman);
        QCOMPARE(a.view.themeSelector()->currentTheme(), RestTheme::ultraman);
        // Mid-fade the ring still shows where it was, dimmed; afterwards it is gone.
        a.t += 0.2;
        const QRectF ring = *to.ring;
        QVERIFY(brightPixels(a.render(), ring, 100) > 20);
        a.t += 0.5;
        QCOMPARE(arcLit(a.render(), ring.center() + QPointF(-95, 0)), false);
        a.defaults.setString(u"selectedTheme"_s, u"aurora"_s);
        a.t += 1.0;
        QVERIFY(brightPixels(a.render(), *a.view.layoutFor(RestTheme::aurora).ring) > 100);
    }

    // Its figure starts at its first frame: the hero's headline waits, the cat's wag starts low.
    void aThemeChosenMidRestStartsItsFigure() {
        Fixture f;
        f.view.show();
        f.t = 44.2; // by the rest's clock a cat's tail would be up when checked below
        f.render();
        f.themes.select(RestTheme::ultraman);
        f.render();
        const UltramanTigaView hero(20, u"本集标题 · 打工人终于眨眼了"_s);
        const QRectF headline = hero.layout(*f.view.layoutFor(RestTheme::ultraman).figure, 20).headline;
        f.t += 0.6;
        QVERIFY(Pixels::brightest(f.render(), headline) < 200);
        f.t += 1.4;
        QVERIFY(Pixels::brightest(f.render(), headline) > 200);
        f.themes.select(RestTheme::aurora);
        f.render();
        f.t += 2 * RestingCatView::tailSwingSeconds;
        const QRgb bend = f.render().pixel(
            (f.view.layoutFor(RestTheme::aurora).figure->topLeft() + QPointF(-67, 62)).toPoint());
        QVERIFY(std::abs(qRed(bend) - 242) + std::abs(qGreen(bend) - 166) + std::abs(qBlue(bend) - 89) < 12);
    }

    void theFeedbackCardIsCentred_data() {
        QTest::addColumn<QString>("theme");
        QTest::newRow("over the cat") << u"aurora"_s;
        QTest::newRow("over the hero") << u"ultraman"_s;
    }
    void theFeedbackCardIsCentred() {
        QFETCH(QString, theme);
        Fixture f;
        f.defaults.setString(u"selectedTheme"_s, theme);
        f.view.show();
        f.view.hold().mouseDown();
        for (int i = 1; i <= 31; ++i)
            f.view.hold().tick(i * SkipHold::tickSeconds);
        QVERIFY(RestCopy::restSkipLines().contains(*f.view.skipFeedbackText()));
        QVERIFY(f.skips.isEmpty()); // the rest ends two seconds later, with the line
        f.clock.advanceSeconds(2);
        QCOMPARE(f.skips, QStringList{*f.view.skipFeedbackText()});
        f.t += 3.0;
        const QImage image = f.render();
        const QRectF card = f.view.feedbackCardRect();
        QCOMPARE(card.center(), QPointF(960, 540));
        // The line is large and white inside the card; its orange border shows at the edge.
        QVERIFY(brightPixels(image, card.adjusted(34, 24, -34, -24)) > 300);
        const QRgb edge = image.pixel(QPoint(int(card.left()), int(card.center().y())));
        QVERIFY2(qRed(edge) > qBlue(edge) + 40, qPrintable(QString::number(edge, 16)));
        // Between the title and the line the figure under the card stays dark, for the text to read.
        const QRectF gap(card.left() + 40, card.top() + 24 + 20, card.width() - 80, 10);
        QVERIFY2(Pixels::brightest(image, gap) < 30,
                 qPrintable(QString::number(Pixels::brightest(image, gap))));
        // The hint line says the same in orange.
        const QRectF hint = f.view.layoutFor(f.view.currentTheme()).hint;
        QVERIFY(brightPixels(image, hint, 100) > 0);
        // The warning sign leading the line is the colour emoji, in both places.
        QVERIFY2(Pixels::count(image, card, yellow) > 30, "the card's sign is drawn in outline");
        QVERIFY2(Pixels::count(image, hint, yellow) > 5, "the hint's sign is drawn in outline");
    }

    // With reduced motion only the count changes from one moment to the next.
    void reducedMotionStandsStill_data() { themes_data(); }
    void reducedMotionStandsStill() {
        QFETCH(QString, stored);
        Fixture f;
        f.view.setReducedMotion(true); // a theme chosen mid-rest comes at once too
        f.defaults.setString(u"selectedTheme"_s, stored);
        f.view.show();
        const QImage before = f.render();
        f.t += 1.3;
        f.seconds = 19;
        const QImage after = f.render();
        QRect changed;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x)
                if (before.pixel(x, y) != after.pixel(x, y))
                    changed |= QRect(x, y, 1, 1);
        const auto layout = f.view.layoutFor(f.view.currentTheme());
        const QRectF count = layout.ring ? *layout.ring
                                         : UltramanTigaView(20, QString())
                                               .layout(*layout.figure, 20)
                                               .capsule.adjusted(-8, -8, 8, 8); // and its glow
        QVERIFY2(!changed.isEmpty() && count.contains(changed), qPrintable(u"%1,%2 %3x%4"_s.arg(changed.x())
                                                                               .arg(changed.y())
                                                                               .arg(changed.width())
                                                                               .arg(changed.height())));
    }

    // The glows may fade toward the edges; the base colour may not.
    void theBackdropReachesEveryEdge() {
        ClassicBackground backdrop;
        QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        backdrop.paint(p, image.rect(), 3.0);
        p.end();
        const int fill = luminance(ClassicBackground::baseColour().rgb());
        const auto darker = [fill](QRgb p) { return qAlpha(p) < 255 || luminance(p) < fill; };
        for (const QRectF edge : {QRectF(0, 0, 1, 1080), QRectF(1919, 0, 1, 1080), QRectF(0, 1079, 1920, 1)})
            QCOMPARE(Pixels::count(image, edge, darker), 0);
    }
};

QTEST_MAIN(TestRestView)
#include "TestRestView.moc"
