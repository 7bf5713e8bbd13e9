#include "ThemeCrossFade.h"

namespace {
constexpr double fadeSeconds = 0.6;
constexpr double figureFadeSeconds = 0.5;
// The selector chooses a theme inside an animation of this length.
constexpr double moveSeconds = 0.4;
const Spring figureSpring{0.5, 0.7};
} // namespace

void ThemeCrossFade::start(RestTheme previous, const Column& from, Figures figures, double now,
                           bool animated) {
    m_previous = previous;
    m_from = from;
    const auto run = [now, animated](Tween& tween, double start, double to, double seconds, bool springs) {
        tween.jump(animated ? start : to);
        if (!animated)
            return;
        if (springs)
            tween.animate(to, now, figureSpring);
        else
            tween.animate(to, now, seconds, Easing::easeInOut);
    };
    run(m_move, 0.0, 1.0, moveSeconds, false);
    run(m_fade, 0.0, 1.0, fadeSeconds, false);
    run(m_figureOut, 1.0, 0.0, figureFadeSeconds, figures.outgoingSprings);
    run(m_figureIn, 0.0, 1.0, figureFadeSeconds, figures.incomingSprings);
}

QList<std::pair<RestTheme, double>> ThemeCrossFade::layers(RestTheme current, double now) const {
    const double fade = m_previous ? m_fade.valueAt(now) : 1.0;
    QList<std::pair<RestTheme, double>> layers;
    if (m_previous && (fade < 1.0 || m_figureOut.isAnimating(now)))
        layers.append({*m_previous, 1.0 - fade});
    layers.append({current, std::min(fade, 1.0)});
    return layers;
}

double ThemeCrossFade::figureShown(bool current, double now) const {
    return m_previous ? (current ? m_figureIn : m_figureOut).valueAt(now) : 1.0;
}

ThemeCrossFade::Column ThemeCrossFade::column(const std::optional<QRectF>& ring,
                                              const std::optional<QRectF>& tip, double now) const {
    const double k = std::clamp(m_move.valueAt(now), 0.0, 1.0);
    const auto glide = [k](const Placed& from, const std::optional<QRectF>& target) -> Placed {
        if (!target)
            return {from.rect, from.opacity * (1 - k)};
        if (from.opacity <= 0.0)
            return {*target, k};
        const QPointF at = from.rect.topLeft() + (target->topLeft() - from.rect.topLeft()) * k;
        return {QRectF(at, target->size()), from.opacity + (1 - from.opacity) * k};
    };
    return {glide(m_from.ring, ring), glide(m_from.tip, tip)};
}

bool ThemeCrossFade::isAnimating(double now) const {
    return m_fade.isAnimating(now) || m_move.isAnimating(now) || m_figureIn.isAnimating(now) ||
           m_figureOut.isAnimating(now);
}
