#include "Springs.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Easing {
double linear(double t) {
    return std::clamp(t, 0.0, 1.0);
}
double easeIn(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t * t * t;
}
double easeOut(double t) {
    t = 1.0 - std::clamp(t, 0.0, 1.0);
    return 1.0 - t * t * t;
}
double easeInOut(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t < 0.5 ? 4.0 * t * t * t : 1.0 - std::pow(-2.0 * t + 2.0, 3.0) / 2.0;
}
} // namespace Easing

double Spring::value(double t) const {
    if (t <= 0.0)
        return 0.0;
    const double omega = 2.0 * std::numbers::pi / std::max(response, 1e-3);
    const double zeta = std::clamp(dampingFraction, 0.0, 1.0);
    if (zeta >= 1.0)
        return 1.0 - std::exp(-omega * t) * (1.0 + omega * t);
    const double omegaD = omega * std::sqrt(1.0 - zeta * zeta);
    const double decay = std::exp(-zeta * omega * t);
    return 1.0 - decay * (std::cos(omegaD * t) + zeta * omega / omegaD * std::sin(omegaD * t));
}

double Spring::settlingSeconds() const {
    const double omega = 2.0 * std::numbers::pi / std::max(response, 1e-3);
    const double zeta = std::clamp(dampingFraction, 0.05, 1.0);
    // Envelope e^(-zeta*omega*t) below 0.1 %.
    return std::log(1000.0) / (zeta * omega);
}

void Tween::jump(double value) {
    m_from = m_to = value;
    m_duration = 0.0;
    m_curve = nullptr;
}

void Tween::animate(double target, double now, double duration, double (*ease)(double)) {
    m_from = valueAt(now);
    m_to = target;
    m_start = now;
    m_duration = duration;
    m_curve = [duration, ease](double elapsed) { return ease(duration > 0 ? elapsed / duration : 1.0); };
}

void Tween::animate(double target, double now, const Spring& spring) {
    m_from = valueAt(now);
    m_to = target;
    m_start = now;
    m_duration = spring.settlingSeconds();
    m_curve = [spring](double elapsed) { return spring.value(elapsed); };
}

double Tween::valueAt(double now) const {
    if (!m_curve || now - m_start >= m_duration)
        return m_to;
    return m_from + (m_to - m_from) * m_curve(std::max(0.0, now - m_start));
}

bool Tween::isAnimating(double now) const {
    return m_curve && now - m_start < m_duration;
}
