#pragma once

#include "themes/RestTheme.h"
#include "ui/Springs.h"

#include <QList>
#include <QRectF>
#include <optional>
#include <utility>

// A change of theme during a rest: the old backdrop fades under the new one,
// the old figure fades (or shrinks) away as the new one comes in, and the ring
// and the tip glide from where they were to the new theme's places, or fade
// where one of the two has none. Where `animated` is false all of it is at once.
class ThemeCrossFade {
public:
    // Where the ring or the tip shows, and how strongly.
    struct Placed {
        QRectF rect;
        double opacity = 0.0;
    };
    struct Column {
        Placed ring;
        Placed tip;
    };
    struct Figures {
        bool outgoingSprings = false;
        bool incomingSprings = false;
    };

    // From `previous` to `current`, with the column where it showed at `now`.
    void start(RestTheme previous, const Column& from, Figures figures, double now, bool animated);
    // The backdrops to paint, bottom first, with their opacity.
    QList<std::pair<RestTheme, double>> layers(RestTheme current, double now) const;
    // How far the current figure (or the outgoing one) has come in, 0 ... 1 and past with a spring.
    double figureShown(bool current, double now) const;
    // The ring and tip on their way to `ring` and `tip`.
    Column column(const std::optional<QRectF>& ring, const std::optional<QRectF>& tip, double now) const;
    // The whole view changes while this holds.
    bool isAnimating(double now) const;

private:
    std::optional<RestTheme> m_previous;
    Tween m_fade{1.0};
    Tween m_figureIn{1.0};
    Tween m_figureOut{0.0};
    Column m_from;
    Tween m_move{1.0};
};
