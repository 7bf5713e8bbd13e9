#include "SkipControl.h"

#include "RestLayers.h"
#include "ui/Bands.h"
#include "ui/Fonts.h"

#include <QPainter>
#include <cmath>

using namespace Qt::StringLiterals;
using namespace RestLayers;

namespace {
QFont labelFont() {
    return Fonts::system(14, QFont::Bold);
}
QFont hintFont() {
    return Fonts::system(11);
}

void move(Tween& tween, double to, double now, double seconds, bool animated) {
    if (animated)
        tween.animate(to, now, seconds, Easing::easeOut);
    else
        tween.jump(to);
}
} // namespace

double SkipControl::hintHeight() {
    return QFontMetricsF(hintFont()).height();
}

void SkipControl::pressed(double now, bool animated) {
    m_progress.jump(0.0);
    move(m_press, 1.0, now, 0.15, animated);
}

void SkipControl::released(double now, bool animated) {
    move(m_press, 0.0, now, 0.15, animated);
    move(m_progress, 0.0, now, 0.2, animated);
}

void SkipControl::completed(double progress, double now, bool animated) {
    move(m_press, 0.0, now, 0.15, animated);
    m_progress.jump(progress);
}

bool SkipControl::isAnimating(double now) const {
    return m_press.isAnimating(now) || m_progress.isAnimating(now);
}

void SkipControl::paint(QPainter& p, const QRectF& controlRect, const QRectF& hint, const QString& hintText,
                        const QColor& hintColour, double now, double dpr) {
    const QPointF c = controlRect.center();
    const double progress = std::clamp(m_progress.valueAt(now), 0.0, 1.0);
    const double pressed = m_press.valueAt(now);
    const auto control = [progress, pressed](QPainter& q, QPointF centre) {
        const double r = side / 2;
        q.setBrush(Qt::NoBrush);
        q.setPen(QPen(white(0.2), 3.0, Qt::SolidLine, Qt::FlatCap));
        q.drawEllipse(centre, r, r);
        if (progress > 0.0) {
            q.setPen(QPen(QColor::fromRgbF(1.0f, 0.75f, 0.0f), 4.0, Qt::SolidLine, Qt::RoundCap));
            q.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 90 * 16,
                      -int(std::lround(progress * 360 * 16)));
        }
        const double face = 38.0 * (1.0 - 0.08 * pressed);
        q.setPen(Qt::NoPen);
        q.setBrush(white(0.08 + 0.07 * pressed));
        q.drawEllipse(centre, face, face);
        q.setPen(white(0.9));
        q.setFont(labelFont());
        q.drawText(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), Qt::AlignCenter, u"跳过"_s);
    };
    const double layerSide = side + 10;
    if (progress > 0.0 || pressed > 0.0) {
        p.save();
        control(p, c);
        p.restore();
    } else {
        if (m_layer.isNull())
            m_layer = make(layerSide, dpr, control);
        const QPointF corner = c - QPointF(layerSide / 2, layerSide / 2);
        paintInBands(p, QRectF(corner, QSizeF(layerSide, layerSide)), [&] { p.drawImage(corner, m_layer); });
    }
    p.setPen(hintColour);
    Fonts::drawText(p, hint, Qt::AlignHCenter | Qt::AlignTop, hintText, hintFont());
}
