#include "ui/StatusIcon.h"

#include <QGuiApplication>
#include <QImage>
#include <QTest>

class TestStatusIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void glyphAndDotAreColoured_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("standard density") << 1.0;
        QTest::newRow("double density") << 2.0;
    }

    void glyphAndDotAreColoured() {
        QFETCH(qreal, ratio);
        const QImage image = renderStatusBarIcon(ratio);
        QCOMPARE(image.size(), (QSizeF(22, 18) * ratio).toSize());
        int yellow = 0, dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                yellow += c.alpha() > 200 && c.red() > 230 && c.green() > 180 && c.blue() < 90;
                dark += c.alpha() > 120 && c.red() < 60 && c.green() < 60 && c.blue() < 60;
            }
        // The glyph's fill and its outline, both well represented.
        QVERIFY2(yellow > 30 * ratio * ratio, qPrintable(QString::number(yellow)));
        // The outline is a hairline: it shows as whole pixels from double density on.
        if (ratio >= 2)
            QVERIFY2(dark > 10, qPrintable(QString::number(dark)));
        // The dot's centre, lower right: (17.8, 18 - 3.5).
        const QColor dot = image.pixelColor(int(17.8 * ratio), int(14.5 * ratio));
        QVERIFY2(dot.green() > 180 && dot.blue() > 170 && dot.red() < 80, qPrintable(dot.name()));
        // Corners stay clear: the icon is not a filled square.
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    }
};

QTEST_MAIN(TestStatusIcon)
#include "TestStatusIcon.moc"
