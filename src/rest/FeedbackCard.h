#pragma once

#include "ui/Springs.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <optional>

class QPainter;

// The card that says the rest was skipped, with the line the rest ends on,
// springing up in the middle of the view. It sits on a dark backing of its
// own so that its text reads over any backdrop or figure beneath.
class FeedbackCard {
public:
    // How far the shadow reaches past the card.
    static constexpr int shadowMargin = 48;

    // Where `animated` is false the card is there at once.
    void show(const QString& line, double now, bool animated);
    const std::optional<QString>& line() const { return m_line; }
    // Where the card sits at rest in a view of `view`, shadow excluded; empty without a line.
    QRectF rect(const QSizeF& view) const;
    bool isAnimating(double now) const { return m_shown.isAnimating(now); }
    void paint(QPainter& p, const QSizeF& view, double now);
    void releaseCaches();

private:
    std::optional<QString> m_line;
    Tween m_shown{0.0};
    QImage m_shadow;
    QSizeF m_shadowSize;
};
