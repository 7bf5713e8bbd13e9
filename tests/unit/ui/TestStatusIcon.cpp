#include "Pixels.h"
#include "ui/StatusIcon.h"

#include <QIcon>
#include <QTest>

class TestStatusIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Trays pick a square pixmap by side: each a whole drawing, not a 22 x 18 one scaled or cropped.
    void everyTraySizeShowsTheGlyphAndTheDot_data() {
        QTest::addColumn<int>("side");
        QTest::newRow("the 22 px design size") << 22;
        QTest::newRow("a double-density 44 px tray") << 44;
        QTest::newRow("a 64 px host") << 64;
    }
    void everyTraySizeShowsTheGlyphAndTheDot() {
        QFETCH(int, side);
        const QImage image = makeStatusBarIcon().pixmap(QSize(side, side), 1.0).toImage();
        QCOMPARE(image.size(), QSize(side, side));
        const qreal r = side / 22.0;
        const int yellow = Pixels::count(image, {}, [](QRgb c) {
            return qAlpha(c) > 200 && qRed(c) > 230 && qGreen(c) > 180 && qBlue(c) < 90;
        });
        const int dark = Pixels::count(image, {}, [](QRgb c) {
            return qAlpha(c) > 120 && qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
        });
        // A filled glyph with a hairline outline, whole pixels from double density on.
        QVERIFY2(yellow > 30 * r * r && (r < 2 || dark > 10), qPrintable(QString::number(yellow)));
        // The teal dot sits lower right of the 22 x 18 design; corners stay clear.
        const QColor dot = image.pixelColor(int(17.8 * r), int((side - 18 * r) / 2 + 14.5 * r));
        QVERIFY2(dot.green() > 150 && dot.blue() > 150 && dot.red() < 100, qPrintable(dot.name()));
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    }
};

QTEST_MAIN(TestStatusIcon)
#include "TestStatusIcon.moc"
