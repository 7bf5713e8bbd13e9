#pragma once

#include <functional>

// Timing curves for the view animations. Each maps elapsed time onto the
// progress of a change from 0 to 1; a spring may overshoot 1 before settling.
namespace Easing {
double linear(double t);
double easeIn(double t);
double easeOut(double t);
double easeInOut(double t);
} // namespace Easing

// A critically or under-damped spring released from rest at 0 towards 1,
// described the way designers tune one: the period of the undamped
// oscillation (`response`, seconds) and the share of critical damping.
struct Spring {
    double response = 0.5;
    double dampingFraction = 0.825;

    double value(double elapsedSeconds) const;
    // How long until the spring stays within a hair of 1.
    double settlingSeconds() const;
};

// One animated quantity: where it came from, where it is going, and how.
// Time is whatever monotonic seconds the owner reads; nothing runs on its own.
class Tween {
public:
    using Curve = std::function<double(double elapsed)>;

    explicit Tween(double value = 0.0)
        : m_from(value)
        , m_to(value) {}

    // Moves at once, cancelling any animation.
    void jump(double value);
    // Starts from the value shown at `now` towards `target`, over `duration`.
    void animate(double target, double now, double duration, double (*ease)(double));
    void animate(double target, double now, const Spring& spring);

    double valueAt(double now) const;
    double target() const { return m_to; }
    bool isAnimating(double now) const;

private:
    double m_from;
    double m_to;
    double m_start = 0.0;
    double m_duration = 0.0;
    Curve m_curve;
};
