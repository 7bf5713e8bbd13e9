#include "FeedbackCard.h"

#include "RestLayers.h"
#include "VisualEffectView.h"
#include "ui/Blur.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QPainter>
#include <QPainterPath>

using namespace Qt::StringLiterals;
using namespace RestLayers;

namespace {
constexpr double maxWidth = 620.0;
constexpr double outerPadding = 44.0;
constexpr double paddingX = 34.0;
constexpr double paddingY = 24.0;
constexpr double spacing = 14.0;
constexpr double radius = 18.0;
constexpr double shadowRadius = 24.0;
constexpr double shadowOffsetY = 12.0;
const Spring spring{0.32, 0.78};

QFont titleFont() {
    return Fonts::system(13, QFont::Bold);
}
QFont lineFont() {
    return Fonts::system(28, QFont::Bold, Fonts::Design::rounded);
}
} // namespace

void FeedbackCard::show(const QString& line, double now, bool animated) {
    m_line = line;
    if (animated)
        m_shown.animate(1.0, now, spring);
    else
        m_shown.jump(1.0);
}

QRectF FeedbackCard::rect(const QSizeF& view) const {
    if (!m_line)
        return {};
    const double width = std::min(maxWidth, std::max(0.0, view.width() - 2 * outerPadding));
    const double textWidth = std::max(1.0, width - 2 * paddingX);
    const double lineHeight = std::min(
        Fonts::textSize(lineFont(), textWidth, Qt::AlignHCenter | Qt::TextWordWrap, *m_line).height(),
        3 * QFontMetricsF(lineFont()).lineSpacing());
    const QSizeF size(width, 2 * paddingY + QFontMetricsF(titleFont()).height() + spacing + lineHeight);
    return QRectF(QPointF((view.width() - size.width()) / 2, (view.height() - size.height()) / 2), size);
}

void FeedbackCard::paint(QPainter& p, const QSizeF& view, double now) {
    if (!m_line)
        return;
    const double shown = m_shown.valueAt(now);
    const QRectF card = rect(view);
    QPainterPath shape;
    shape.addRoundedRect(card, radius, radius);

    if (m_shadowSize != card.size()) {
        m_shadow = QImage((card.size() + QSizeF(2 * shadowMargin, 2 * shadowMargin)).toSize(),
                          QImage::Format_ARGB32_Premultiplied);
        m_shadow.fill(Qt::transparent);
        QPainter s(&m_shadow);
        s.setRenderHint(QPainter::Antialiasing);
        s.setPen(Qt::NoPen);
        s.setBrush(QColor::fromRgbF(0, 0, 0, 0.35f));
        s.drawRoundedRect(QRectF(QPointF(shadowMargin, shadowMargin), card.size()), radius, radius);
        s.end();
        blurImage(m_shadow, shadowRadius);
        m_shadowSize = card.size();
    }

    p.save();
    p.setOpacity(std::clamp(shown, 0.0, 1.0));
    const double scale = 0.92 + 0.08 * shown;
    p.translate(card.center());
    p.scale(scale, scale);
    p.translate(-card.center());
    p.drawImage(card.topLeft() - QPointF(shadowMargin, shadowMargin - shadowOffsetY), m_shadow);
    // The material alone lets a bright figure through; the backing under it does not.
    p.fillPath(shape, QColor(14, 16, 24, 200));
    VisualEffectView().paint(p, shape);
    p.setPen(QPen(withOpacity(Palette::orange(), 0.62), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);

    const QRectF inner = card.adjusted(paddingX, paddingY, -paddingX, -paddingY);
    const double titleHeight = QFontMetricsF(titleFont()).height();
    p.setPen(white(0.72));
    p.setFont(titleFont());
    p.drawText(QRectF(inner.left(), inner.top(), inner.width(), titleHeight), Qt::AlignHCenter | Qt::AlignTop,
               u"已跳过"_s);
    p.setPen(Qt::white);
    p.setClipRect(inner);
    Fonts::drawText(p,
                    QRectF(inner.left(), inner.top() + titleHeight + spacing, inner.width(),
                           inner.height() - titleHeight - spacing),
                    Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, *m_line, lineFont());
    p.restore();
}

void FeedbackCard::releaseCaches() {
    m_shadow = QImage();
    m_shadowSize = QSizeF();
}
