#include "Pixels.h"
#include "rest/ThemeSelectorOverlay.h"

#include <QMouseEvent>
#include <QTest>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
struct Panel {
    explicit Panel(RestTheme theme)
        : overlay(
              theme, 15.0, [this](RestTheme t) { themes << t; }, [this](double r) { radii << r; }) {
        overlay.setAnimationClock([this] { return t; });
    }
    void send(QEvent::Type type, QPointF at) {
        QMouseEvent event(type, at, overlay.mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&overlay, &event);
    }
    void click(QPointF at) {
        send(QEvent::MouseButtonPress, at);
        send(QEvent::MouseButtonRelease, at);
    }
    // The brightest grey of the theme row over a black screen.
    int brightest() {
        QImage image(overlay.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        overlay.render(&image);
        return Pixels::brightest(image, overlay.themeRow());
    }
    double t = 0.0;
    QList<RestTheme> themes;
    QList<double> radii;
    ThemeSelectorOverlay overlay;
};
} // namespace

class TestThemeSelector : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void blurLabel_data() {
        QTest::addColumn<double>("radius");
        QTest::addColumn<QString>("label");
        QTest::newRow("14.7 shows as 14") << 14.7 << u"14"_s;
        QTest::newRow("a stored -4 shows as 0") << -4.0 << u"0"_s;
        QTest::newRow("a stored 1e300 shows as 30") << 1e300 << u"30"_s;
        QTest::newRow("a stored infinity shows as 30") << qInf() << u"30"_s;
        QTest::newRow("a stored nan shows the default") << qQNaN() << u"15"_s;
    }
    void blurLabel() {
        QFETCH(double, radius);
        QFETCH(QString, label);
        QCOMPARE(ThemeSelectorOverlay::blurLabel(radius), label);
    }

    void faintUntilHovered() {
        Panel panel(RestTheme::aurora);
        const int faint = panel.brightest();
        QVERIFY2(faint < 90, qPrintable(QString::number(faint)));
        panel.send(QEvent::MouseMove, panel.overlay.buttonRect(RestTheme::ultraman).center());
        panel.t = 0.35;
        const int lit = panel.brightest();
        QVERIFY2(lit > 2 * faint && lit > 150, qPrintable(QString::number(lit)));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&panel.overlay, &leave);
        panel.t = 0.7;
        QCOMPARE(panel.brightest(), faint);
    }

    void choicesGoOutThroughTheCallbacks() {
        Panel panel(RestTheme::wallpaper);
        const QRectF track = panel.overlay.sliderTrack();
        panel.click({track.left() - 5, track.center().y()});
        panel.click({track.right() + 5, track.center().y()});
        panel.click({track.left() + track.width() * 14.7 / 30, track.center().y()});
        QCOMPARE(panel.radii.mid(0, 2), (QList<double>{0.0, 30.0}));
        QVERIFY(panel.radii.size() == 3 && std::abs(panel.radii[2] - 14.7) < 1e-9);

        // Faint, the panel still takes clicks; the same theme again is stored again.
        panel.click(panel.overlay.buttonRect(RestTheme::wallpaper).center());
        panel.click(panel.overlay.buttonRect(RestTheme::ultraman).center());
        QCOMPARE(panel.themes, (QList<RestTheme>{RestTheme::wallpaper, RestTheme::ultraman}));
        QCOMPARE(panel.overlay.currentTheme(), RestTheme::ultraman);
        // Out of the wallpaper theme the slider is gone: a click there changes nothing.
        panel.t = 1.0;
        panel.click(track.center());
        QCOMPARE(panel.radii.size(), 3);
    }
};

QTEST_MAIN(TestThemeSelector)
#include "TestThemeSelector.moc"
