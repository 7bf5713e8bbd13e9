#include "RestingCatView.h"

#include "PolygonShape.h"
#include "ui/Bands.h"
#include "ui/Springs.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {
const QColor fur = QColor::fromRgbF(0.95f, 0.65f, 0.35f);
const QColor stripe = QColor::fromRgbF(0.85f, 0.5f, 0.2f);
const QColor innerEar = QColor::fromRgbF(0.98f, 0.8f, 0.8f);
const QColor cheek = QColor::fromRgbF(0.98f, 0.6f, 0.6f, 0.5f);
const QColor paw = QColor::fromRgbF(0.98f, 0.8f, 0.6f);
const QColor eyeLine = QColor::fromRgbF(0.25f, 0.15f, 0.1f);
const QColor noseAndMouth = QColor::fromRgbF(0.4f, 0.2f, 0.1f);

// Every shape is laid out in the stack's own 140 x 180 space: the body group
// fills y 0...100, the head group y 100...180 before it is lifted.
constexpr double bodyWidth = 140.0;
constexpr double bodyHeight = 100.0;

void fillTriangle(QPainter& p, const QPointF& origin, std::initializer_list<QPointF> points,
                  const QColor& colour) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& point : points) {
        if (first)
            path.moveTo(origin + point);
        else
            path.lineTo(origin + point);
        first = false;
    }
    path.closeSubpath();
    p.fillPath(path, colour);
}

// Where the tail reaches in the stack's coordinates at any of its angles.
const QRectF tailArea(-120, 0, 150, 130);

void paintTail(QPainter& p, double angle) {
    // The 80 x 80 frame sits bottom-centred in the body group, then moves by (-50, -10).
    const QPointF frame(30 - 50, 20 - 10);
    p.save();
    p.translate(frame + QPointF(80, 80));
    p.rotate(angle);
    p.translate(-80, -80);
    QPainterPath tail(QPointF(10, 70));
    tail.quadTo(QPointF(-15, 80), QPointF(-40, 30));
    tail.quadTo(QPointF(-60, 30), QPointF(-60, 60));
    QPen pen(fur, 16, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    p.strokePath(tail, pen);
    p.restore();
}

void paintBody(QPainter& p, double breath) {
    const QSizeF size = RestingCatView::bodySize(breath);
    p.setPen(Qt::NoPen);
    p.save();
    // Scaled about the bottom edge, so the corners scale with the body.
    p.translate(bodyWidth / 2, bodyHeight);
    p.scale(size.width() / bodyWidth, size.height() / bodyHeight);
    p.setBrush(fur);
    p.drawRoundedRect(QRectF(-bodyWidth / 2, -bodyHeight, bodyWidth, bodyHeight), 35, 35);
    p.restore();

    // Two stripe rows, 12 apart, padded 25 at the top and 8 on the right, centred on the body.
    const double rowsTop = (bodyHeight - (25 + 6 + 12 + 6)) / 2 + 25;
    p.setBrush(stripe);
    p.drawRoundedRect(QRectF(bodyWidth - 8 - 25, rowsTop, 25, 6), 3, 3);
    p.drawRoundedRect(QRectF(bodyWidth - 8 - 20, rowsTop + 18, 20, 6), 3, 3);

    p.setBrush(paw);
    const double pawsLeft = (bodyWidth - (24 + 35 + 24)) / 2;
    for (double frameLeft : {pawsLeft, pawsLeft + 24 + 35})
        p.drawEllipse(QPointF(frameLeft + 12, bodyHeight - 9 + 5), 9, 9);
}

void paintHead(QPainter& p, const QPointF& c) {
    // Ears: 35 x 35 frames 65 apart, 30 up.
    const QPointF leftEar = c + QPointF(-67.5, -30 - 17.5);
    const QPointF rightEar = c + QPointF(32.5, -30 - 17.5);
    fillTriangle(p, leftEar, {{10, 35}, {0, 0}, {35, 20}}, fur);
    fillTriangle(p, leftEar, {{12, 30}, {5, 7}, {28, 20}}, innerEar);
    fillTriangle(p, rightEar, {{0, 20}, {35, 0}, {25, 35}}, fur);
    fillTriangle(p, rightEar, {{7, 20}, {30, 7}, {23, 30}}, innerEar);

    p.setPen(Qt::NoPen);
    p.setBrush(fur);
    p.drawRoundedRect(QRectF(c.x() - 60, c.y() - 40, 120, 80), 32, 32);

    p.setBrush(cheek);
    p.drawEllipse(c + QPointF(-42, 10), 7, 7);
    p.drawEllipse(c + QPointF(42, 10), 7, 7);

    const QPen eyePen(eyeLine, 3.5, Qt::SolidLine, Qt::RoundCap);
    for (double left : {-38.0, 20.0}) {
        const QPointF o = c + QPointF(left, -5 - 4);
        QPainterPath arc(o);
        arc.quadTo(o + QPointF(9, 8), o + QPointF(18, 0));
        p.strokePath(arc, eyePen);
    }

    // Nose over mouth, 2 apart, the pair 13 high and moved 10 down.
    const double top = c.y() + 10 - 6.5;
    const QRectF nose(c.x() - 4, top, 8, 6);
    p.save();
    p.translate(nose.center());
    p.rotate(180);
    p.fillPath(PolygonShape(3).path(QRectF(-4, -3, 8, 6)), noseAndMouth);
    p.restore();

    const QPen mouthPen(noseAndMouth, 2.5, Qt::SolidLine, Qt::RoundCap);
    const QPointF leftMouth(c.x() - 9.25, top + 6 + 2);
    QPainterPath left(leftMouth + QPointF(10, 0));
    left.quadTo(leftMouth + QPointF(5, 5), leftMouth + QPointF(0, 4));
    const QPointF rightMouth = leftMouth + QPointF(10 - 1.5, 0);
    QPainterPath right(rightMouth);
    right.quadTo(rightMouth + QPointF(5, 5), rightMouth + QPointF(10, 4));
    p.strokePath(left, mouthPen);
    p.strokePath(right, mouthPen);
}
} // namespace

QSizeF RestingCatView::bodySize(double breathValue) {
    return {bodyWidth * (1 - 0.05 * breathValue), bodyHeight * (1 + 0.15 * breathValue)};
}

double RestingCatView::headOffset(double breathValue) {
    return -85 - 10 * breathValue;
}

double RestingCatView::tailAngle(double secondsShown) {
    if (secondsShown <= 0)
        return -10.0;
    const double phase = std::fmod(secondsShown, 2 * tailSwingSeconds) / tailSwingSeconds;
    return -10.0 + 20.0 * Easing::easeInOut(phase <= 1.0 ? phase : 2.0 - phase);
}

QRectF RestingCatView::paintedRect(const QRectF& rect) {
    // The swung tail reaches about 100 pt left of the stack, the lifted head 25 above it.
    const QRectF stack(rect.center() - QPointF(width / 2, height / 2), QSizeF(width, height));
    return stack.adjusted(-110, -30, 10, 10);
}

void RestingCatView::paint(QPainter& painter, const QRectF& rect, double breathValue,
                           double secondsShown) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center() - QPointF(width / 2, height / 2));
    paintTail(painter, tailAngle(secondsShown));
    paintBody(painter, breathValue);
    paintHead(painter, QPointF(width / 2, 140 + headOffset(breathValue)));
    painter.restore();
}

void RestingCatView::paint(QPainter& painter, const QRectF& rect, const FigureState& state) {
    // Body and head change with the breath, ten times a second: they are
    // drawn once per breath step, and each frame only the tail is stroked.
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QRectF bodyArea(-5, -50, width + 10, 160);
    if (m_body.isNull() || m_bodyBreath != state.breathValue || m_body.devicePixelRatio() != dpr) {
        m_body = QImage((bodyArea.size() * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        m_body.fill(Qt::transparent);
        QPainter p(&m_body);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(dpr, dpr);
        p.translate(-bodyArea.topLeft());
        paintInBands(p, bodyArea, [&] {
            paintBody(p, state.breathValue);
            paintHead(p, QPointF(width / 2, 140 + headOffset(state.breathValue)));
        });
        p.end();
        m_body.setDevicePixelRatio(dpr);
        m_bodyBreath = state.breathValue;
    }
    // Stroked once a frame into a layer of its own, not once for each band
    // below; the layer keeps the stroke's place within a device pixel.
    const QPointF origin = rect.center() - QPointF(width / 2, height / 2);
    const QTransform world = painter.worldTransform();
    const bool layered = world.type() <= QTransform::TxTranslate;
    const double angle = tailAngle(state.seconds);
    QPointF tailAt;
    if (layered) {
        const QPointF corner = world.map(origin + tailArea.topLeft()) * dpr;
        tailAt = QPointF(std::floor(corner.x()), std::floor(corner.y()));
        const QPointF offset = corner - tailAt;
        if (m_tail.isNull() || m_tailAngle != angle || m_tailOffset != offset ||
            m_tail.devicePixelRatio() != dpr) {
            m_tail =
                QImage((tailArea.size() * dpr).toSize() + QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
            m_tail.fill(Qt::transparent);
            QPainter t(&m_tail);
            t.setRenderHint(QPainter::Antialiasing);
            // In bands as thin as paintInBands's, each stays on this thread.
            for (int top = 0; top < m_tail.height(); top += 32) {
                t.save();
                t.setClipRect(QRect(0, top, m_tail.width(), 32));
                t.translate(offset);
                t.scale(dpr, dpr);
                t.translate(-tailArea.topLeft());
                paintTail(t, angle);
                t.restore();
            }
            t.end();
            m_tail.setDevicePixelRatio(dpr);
            m_tailAngle = angle;
            m_tailOffset = offset;
        }
    }
    // The cat is taller than Qt fills on this thread: in bands it stays here.
    paintInBands(painter, paintedRect(rect), [&] {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        if (layered) {
            painter.setWorldTransform(QTransform());
            painter.drawImage(tailAt / dpr, m_tail);
            painter.setWorldTransform(world);
        }
        painter.translate(origin);
        if (!layered)
            paintTail(painter, angle);
        painter.drawImage(bodyArea.topLeft(), m_body);
        painter.restore();
    });
}

QRegion RestingCatView::advance(const QRectF& rect, const FigureState& state) {
    // Between breath steps only the tail moves.
    if (state.breathValue == m_advancedBreath)
        return (tailArea.translated(rect.center() - QPointF(width / 2, height / 2))).toAlignedRect();
    m_advancedBreath = state.breathValue;
    return paintedRegion(rect, state);
}
