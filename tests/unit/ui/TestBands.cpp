#include "ui/Bands.h"

#include <QPainter>
#include <QTest>
#include <QWidget>

namespace {
// Paints a small picture of distinct pixels enlarged, either by hand or by
// Qt's unfiltered scaled draw, under a translation and an optional clip.
class Canvas final : public QWidget {
public:
    Canvas(QImage picture, bool byHand, QRect clip)
        : m_picture(std::move(picture))
        , m_byHand(byHand)
        , m_clip(clip) {
        resize(64, 48);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.translate(3, 5);
        if (!m_clip.isNull())
            p.setClipRect(m_clip);
        if (m_byHand)
            drawEnlarged(p, QPointF(1, 2), m_picture, 4.0);
        else
            p.drawImage(QRectF(QPointF(1, 2), QSizeF(m_picture.size()) * 4.0), m_picture);
    }

private:
    QImage m_picture;
    bool m_byHand;
    QRect m_clip;
};
} // namespace

class TestBands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Whole pixels copied by hand must match the engine's own enlargement
    // wherever it paints, and leave alone what the clips keep out.
    void enlargedPixelsMatchAnUnfilteredScale_data() {
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<qreal>("dpr");
        QTest::addColumn<QRegion>("repainted");
        QTest::addColumn<QRect>("clip");
        const QImage::Format alpha = QImage::Format_ARGB32_Premultiplied;
        QTest::newRow("whole widget") << alpha << 1.0 << QRegion() << QRect();
        QTest::newRow("double density") << alpha << 2.0 << QRegion() << QRect();
        QTest::newRow("uneven density") << alpha << 1.25 << QRegion() << QRect();
        QTest::newRow("opaque pixels") << QImage::Format_RGB32 << 1.0 << QRegion() << QRect();
        QTest::newRow("a few patches repainted")
            << alpha << 1.0 << QRegion(5, 6, 7, 9) + QRegion(30, 20, 11, 3) + QRegion(50, 40, 9, 9)
            << QRect();
        QTest::newRow("patches and a clip at double density")
            << alpha << 2.0 << QRegion(0, 10, 64, 20) + QRegion(40, 0, 8, 48) << QRect(4, 2, 30, 33);
    }
    void enlargedPixelsMatchAnUnfilteredScale() {
        QFETCH(QImage::Format, format);
        QFETCH(qreal, dpr);
        QFETCH(QRegion, repainted);
        QFETCH(QRect, clip);
        QImage picture(13, 9, format);
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x * 19, y * 28, 255 - x * 7));
        }
        picture.setPixel(4, 4, qRgba(20, 10, 0, 60));
        const auto render = [&](bool byHand) {
            Canvas canvas(picture, byHand, clip);
            QImage out(QSize(64, 48) * dpr, QImage::Format_ARGB32_Premultiplied);
            out.setDevicePixelRatio(dpr);
            out.fill(Qt::gray);
            canvas.render(&out, QPoint(), repainted);
            return out;
        };
        QCOMPARE(render(true), render(false));
    }
};

QTEST_MAIN(TestBands)
#include "TestBands.moc"
