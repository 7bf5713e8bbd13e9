#include "FakeWallpapers.h"
#include "Pixels.h"
#include "themes/ClassicBackground.h"
#include "themes/WallpaperBackground.h"
#include "ui/Fonts.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QSize screen(1920, 1080);

template <class Backdrop> QImage render(Backdrop&& backdrop, double t) {
    QImage frame(screen, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::black);
    QPainter p(&frame);
    backdrop.paint(p, QRectF(QPointF(0, 0), screen), t);
    return frame;
}

// Green in the middle, red bands at both ends of the long side.
QImage bandedPhoto(QSize size) {
    QImage photo(size, QImage::Format_RGB32);
    photo.fill(Qt::red);
    QPainter(&photo).fillRect(size.width() > size.height()
                                  ? QRect(size.width() / 4, 0, size.width() / 2, size.height())
                                  : QRect(0, size.height() / 4, size.width(), size.height() / 2),
                              Qt::green);
    return photo;
}

bool veiled(QRgb pixel, QColor under) {
    const QColor seen(pixel);
    auto near = [](int a, int b) { return std::abs(a - b) <= 3; };
    return near(seen.red(), int(under.red() * 0.82)) && near(seen.green(), int(under.green() * 0.82)) &&
           near(seen.blue(), int(under.blue() * 0.82));
}
} // namespace

class TestWallpaperBackground : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void photoFillsTheScreenCroppedAndVeiled_data() {
        QTest::addColumn<QSize>("photo");
        QTest::newRow("a panorama loses its left and right ends") << QSize(400, 100);
        QTest::newRow("a portrait loses its top and bottom") << QSize(100, 400);
    }
    void photoFillsTheScreenCroppedAndVeiled() {
        QFETCH(QSize, photo);
        FakeWallpapers wallpapers;
        wallpapers.publish(bandedPhoto(photo));
        WallpaperBackground backdrop(wallpapers, 15);
        const QImage frame = render(backdrop, 0);
        for (QPoint at :
             {QPoint(0, 0), QPoint(1919, 0), QPoint(0, 1079), QPoint(1919, 1079), QPoint(960, 540)})
            QVERIFY2(veiled(frame.pixel(at), Qt::green), qPrintable(QColor(frame.pixel(at)).name()));
        QCOMPARE(wallpapers.requests, 0);
        // Dropped for another theme, it still shows while this showing fades out.
        wallpapers.release();
        QVERIFY(veiled(render(backdrop, 0.1).pixel(960, 540), Qt::green));
    }

    void placeholderAsksOnceAndShowsSpinnerAndLine() {
        FakeWallpapers wallpapers;
        WallpaperBackground backdrop(wallpapers, 15);
        const QImage frame = render(backdrop, 0.25);
        render(backdrop, 0.5);
        QCOMPARE(wallpapers.requests, 1);
        backdrop.releaseCaches();
        render(backdrop, 0.75);
        QCOMPARE(wallpapers.requests, 2); // a new showing asks again

        const QImage classic = render(ClassicBackground(), 0.25);
        QVERIFY(veiled(frame.pixel(300, 300), classic.pixel(300, 300)));
        // The teal spinner two thirds down, the pale line below it.
        const int teal = Pixels::count(frame, QRectF(760, 680, 400, 80), [](QRgb c) {
            return qBlue(c) > 140 && qGreen(c) > 120 && qRed(c) < 80;
        });
        const int text = Pixels::count(frame, QRectF(760, 721, 400, 39), [](QRgb c) {
            return std::min({qRed(c), qGreen(c), qBlue(c)}) > 60;
        });
        QVERIFY2(teal > 20, qPrintable(QString::number(teal)));
        QVERIFY2(text > 50, qPrintable(QString::number(text)));
    }

    // Both fetches refused: the spinner stops, the line says so, only the glows ask for frames.
    void afterBothFetchesFailTheSpinnerStops() {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        WallpaperManager manager({QUrl(u"http://127.0.0.1:%1"_s.arg(closed.serverPort())), 1000, 1000, {}});
        closed.close();
        WallpaperBackground backdrop(manager, 15);
        const QRectF whole(QPointF(0, 0), screen);
        QSignalSpy failed(&manager, &WallpaperManager::fetchFailed);
        render(backdrop, 0.25);
        QVERIFY(failed.wait());
        const QImage frame = render(backdrop, 0.5);
        QCOMPARE(Pixels::count(frame, QRectF(760, 680, 400, 80),
                               [](QRgb c) { return qBlue(c) > 140 && qGreen(c) > 120 && qRed(c) < 80; }),
                 0);
        int left = 1920, right = 0;
        for (int x = 0; x < 1920; ++x)
            if (Pixels::count(frame, QRectF(x, 721, 1, 39), [](QRgb c) { return qGray(c) > 60; }) > 0)
                left = std::min(left, x), right = x;
        const double width = QFontMetricsF(Fonts::system(11)).horizontalAdvance(backdrop.notFetchedLine);
        QVERIFY2(std::abs(right - left - width) < 8, qPrintable(u"%1 %2"_s.arg(right - left).arg(width)));
        backdrop.advance(whole, 0.55);
        QVERIFY(backdrop.advance(whole, 0.58).isEmpty());
        QVERIFY(!backdrop.isAnimating(0.6));
    }

    // A sharp black and white edge down the middle shows how wide the blur is.
    void aNewRadiusFadesInWithoutHoldingAFrame() {
        QImage photo(screen, QImage::Format_RGB32);
        photo.fill(Qt::black);
        QPainter(&photo).fillRect(960, 0, 960, 1080, Qt::white);
        FakeWallpapers wallpapers;
        wallpapers.publish(photo);
        WallpaperBackground backdrop(wallpapers, 0);
        const QImage sharp = render(backdrop, 1.0);
        const QImage blurred = WallpaperBackground::compose(photo, 30, screen);
        QCOMPARE(sharp.pixel(950, 540), WallpaperBackground::compose(photo, 0, screen).pixel(950, 540));
        QVERIFY(sharp.pixel(950, 540) != blurred.pixel(950, 540));

        QSignalSpy changed(&backdrop, &WallpaperBackground::changed);
        backdrop.setBlurRadius(30);
        QCOMPARE(render(backdrop, 1.1).pixel(950, 540), sharp.pixel(950, 540));
        QVERIFY(changed.wait());
        render(backdrop, 2.0);
        const int during = qRed(render(backdrop, 2.1).pixel(950, 540));
        QVERIFY(during > qRed(sharp.pixel(950, 540)) && during < qRed(blurred.pixel(950, 540)));
        QVERIFY(backdrop.isAnimating(2.1));
        QCOMPARE(render(backdrop, 5.0).pixel(950, 540), blurred.pixel(950, 540));
        QVERIFY(!backdrop.isAnimating(5.0));
    }
};

QTEST_MAIN(TestWallpaperBackground)
#include "TestWallpaperBackground.moc"
