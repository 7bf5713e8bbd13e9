#include "Pixels.h"
#include "themes/AuroraBackground.h"
#include "themes/RestingCatView.h"
#include "themes/UltramanTigaView.h"

#include <QPainter>
#include <QTest>
#include <cmath>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QPointF>)

namespace {
const QSizeF screen(1920, 1080);
// Every draw at the middle of its range: no flicker, a wrapped firefly lands mid-width.
const Uniform middle = [](double lo, double hi) { return (lo + hi) / 2; };

QImage render(const std::function<void(QPainter&)>& paint) {
    QImage image(screen.toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter p(&image);
    paint(p);
    return image;
}
} // namespace

class TestThemeViews : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fireflyStep_data() {
        QTest::addColumn<QPointF>("position");
        QTest::addColumn<QPointF>("velocity");
        QTest::addColumn<std::optional<QPointF>>("pointer");
        QTest::addColumn<QPointF>("expected");
        const std::optional<QPointF> none, pointer(QPointF(500, 500));
        const QPointF up(0, -1);
        QTest::newRow("without a pointer it only drifts")
            << QPointF(500, 500) << QPointF(0.3, -0.7) << none << QPointF(500.3, 499.3);
        QTest::newRow("on the pointer it is pushed 8 pt along +x")
            << QPointF(500, 501) << up << pointer << QPointF(508, 500);
        QTest::newRow("80 pt away down and right it is pushed 4 pt further")
            << QPointF(548, 565) << up << pointer << QPointF(550.4, 567.2);
        QTest::newRow("160 pt away it is left alone")
            << QPointF(660, 501) << up << pointer << QPointF(660, 500);
        QTest::newRow("out through the top it comes back under the bottom")
            << QPointF(300, -19.5) << up << none << QPointF(960, 1100);
        QTest::newRow("out on the left it comes back on the right")
            << QPointF(-20, 500) << QPointF(-0.5, 0) << none << QPointF(1940, 500);
        QTest::newRow("out on the right it comes back on the left")
            << QPointF(1940, 500) << QPointF(0.5, 0) << none << QPointF(-20, 500);
        QTest::newRow("below the bottom it keeps rising from there")
            << QPointF(900, 1200) << up << none << QPointF(900, 1199);
    }
    void fireflyStep() {
        QFETCH(QPointF, position);
        QFETCH(QPointF, velocity);
        QFETCH(std::optional<QPointF>, pointer);
        QFETCH(QPointF, expected);
        FireflyParticle fly{QUuid::createUuid(), position, velocity, 6, 0.5};
        const FireflyParticle next = AuroraBackground::step(fly, screen, pointer, middle);
        QVERIFY2(QLineF(next.position, expected).length() < 1e-9,
                 qPrintable(u"at (%1, %2)"_s.arg(next.position.x()).arg(next.position.y())));
        QCOMPARE(next.velocity, velocity);
    }

    void flickerStopsAtItsBounds_data() {
        QTest::addColumn<Uniform>("uniform");
        QTest::addColumn<double>("bound");
        QTest::newRow("always brightening stops at 0.85")
            << Uniform([](double, double hi) { return hi; }) << 0.85;
        QTest::newRow("always dimming stops at 0.15")
            << Uniform([](double lo, double) { return lo; }) << 0.15;
    }
    void flickerStopsAtItsBounds() {
        QFETCH(Uniform, uniform);
        QFETCH(double, bound);
        AuroraBackground aurora(uniform);
        aurora.initializeParticles(screen);
        for (int i = 0; i < 2000; ++i)
            aurora.tick(screen);
        for (const FireflyParticle& f : aurora.particles())
            QVERIFY2(std::abs(f.opacity - bound) < 1e-12, qPrintable(QString::number(f.opacity)));
    }

    void timerLight_data() {
        QTest::addColumn<qint64>("remaining");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QColor>("colour");
        const QColor red = QColor::fromRgbF(1.0f, 0.2f, 0.18f);
        const QColor amber = QColor::fromRgbF(1.0f, 0.82f, 0.2f);
        const QColor green = QColor::fromRgbF(0.24f, 1.0f, 0.62f);
        QTest::newRow("a fresh rest is red") << qint64(20) << qint64(20) << red;
        QTest::newRow("at 0.55 it is amber") << qint64(11) << qint64(20) << amber;
        QTest::newRow("at 0.25 it is green") << qint64(5) << qint64(20) << green;
        QTest::newRow("past the end it stays green") << qint64(-3) << qint64(20) << green;
        QTest::newRow("a total of 0 counts as 1") << qint64(1) << qint64(0) << red;
    }
    void timerLight() {
        QFETCH(qint64, remaining);
        QFETCH(qint64, total);
        QFETCH(QColor, colour);
        QCOMPARE(UltramanTigaView::timerLight(remaining, total).colour, colour);
    }

    // --- what a person sees at 1920 x 1080

    void firefliesAreLitAwayFromTheCentre() {
        AuroraBackground aurora;
        const QImage image = render([&](QPainter& p) { aurora.paint(p, QRectF(QPointF(0, 0), screen), 0); });
        int checked = 0;
        for (const FireflyParticle& f : aurora.particles()) {
            // Truncated, not rounded: a firefly at x 1919.7 is on the screen.
            const QPoint at(int(f.position.x()), int(f.position.y()));
            QVERIFY(image.rect().contains(at) && f.velocity.y() < 0);
            if (QLineF(f.position, QPointF(960, 540)).length() < 500 ||
                !image.rect().adjusted(30, 30, -30, -30).contains(at))
                continue;
            // Against the backdrop 20 pt to its side, the core glows teal.
            const QRgb dark = image.pixel(at + QPoint(f.position.x() < 960 ? 20 : -20, 0));
            const QRgb lit = image.pixel(at);
            QVERIFY2(qGreen(lit) >= qGreen(dark) + 8 && qBlue(lit) >= qBlue(dark) + 8,
                     qPrintable(u"firefly at %1,%2"_s.arg(at.x()).arg(at.y())));
            ++checked;
        }
        QVERIFY(checked > 0);
    }

    void theCatStandsInFur_data() {
        QTest::addColumn<double>("breath");
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<bool>("fur");
        // Points in the cat's 140 x 180 stack; the tail turns about (60, 90).
        QTest::newRow("its side is fur") << 0.0 << QPointF(5, 60) << 0.0 << true;
        QTest::newRow("its face is fur") << 0.0 << QPointF(70, 80) << 0.0 << true;
        QTest::newRow("above it, breathed out, is backdrop") << 0.0 << QPointF(70, -8) << 0.0 << false;
        QTest::newRow("breathed in, the body reaches there") << 1.0 << QPointF(70, -8) << 0.0 << true;
        QTest::newRow("at -10 degrees the tail's bend is low") << 0.0 << QPointF(-67, 62) << 0.0 << true;
        QTest::newRow("at +10 degrees it is not there") << 0.0 << QPointF(-67, 62) << 2.2 << false;
        QTest::newRow("at +10 degrees the bend has risen") << 0.0 << QPointF(-49.5, 20) << 2.2 << true;
    }
    void theCatStandsInFur() {
        QFETCH(double, breath);
        QFETCH(QPointF, at);
        QFETCH(double, seconds);
        QFETCH(bool, fur);
        const QRectF slot(860, 400, 200, 300);
        const QImage image = render([&](QPainter& p) { RestingCatView().paint(p, slot, breath, seconds); });
        const QRgb c = image.pixel((slot.center() - QPointF(70, 90) + at).toPoint());
        // Fur is orange, about (242, 166, 89).
        QCOMPARE(std::abs(qRed(c) - 242) + std::abs(qGreen(c) - 166) + std::abs(qBlue(c) - 89) < 12, fur);
    }

    void heroCapsuleAndHeadline_data() {
        QTest::addColumn<qint64>("remaining");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<bool>("early");
        QTest::newRow("a rest starts red, its headline not yet there") << qint64(20) << 0.6 << true;
        QTest::newRow("near its end the light is green, the headline in") << qint64(2) << 2.0 << false;
    }
    void heroCapsuleAndHeadline() {
        QFETCH(qint64, remaining);
        QFETCH(double, seconds);
        QFETCH(bool, early);
        // Stars drawn at the lowest end of their ranges sit faint in a corner.
        UltramanTigaView hero(
            20, u"本集标题 · 打工人终于眨眼了"_s, [](double lo, double) { return lo; }, QImage());
        const QRectF rect(QPointF(0, 0), screen);
        const QImage image = render([&](QPainter& p) { hero.paint(p, rect, remaining, seconds); });
        const auto l = hero.layout(rect, remaining);
        const QRgb core = image.pixel(QPointF(l.capsule.left() + 44, l.capsule.center().y()).toPoint());
        QVERIFY(early ? qRed(core) > 200 && qGreen(core) < 120 : qGreen(core) > 200 && qRed(core) < 150);
        QCOMPARE(Pixels::brightest(image, l.headline) > 200, !early);
        QCOMPARE(Pixels::brightest(image, l.subtitle) > 60, !early);
        // No artwork: the violet disc, purple at its heart.
        const QRgb disc =
            image.pixel(l.hero.center().toPoint() + QPoint(0, int(9 * std::sin(0.55 * seconds))));
        QVERIFY(qBlue(disc) > qGreen(disc) + 40 && qRed(disc) > qGreen(disc) + 20);
    }

    void heroArtworkShipsWithTheProgram() {
        const QImage art = UltramanTigaView::loadArtwork();
        QVERIFY(!art.isNull() && art.hasAlphaChannel() && qAlpha(art.pixel(0, 0)) == 0);
    }
};

QTEST_MAIN(TestThemeViews)
#include "TestThemeViews.moc"
