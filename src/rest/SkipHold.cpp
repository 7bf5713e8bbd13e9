#include "SkipHold.h"

#include <algorithm>
#include <cmath>

void SkipHold::start(std::optional<double> now) {
    m_pressing = true;
    m_progress = 0.0;
    m_countedTo = now;
    Q_EMIT started();
}

void SkipHold::cancel() {
    m_pressing = false;
    m_completionAwaitsRelease = false;
    m_progress = 0.0;
    Q_EMIT cancelled();
}

void SkipHold::complete() {
    m_completed = true;
    m_pressing = false;
    m_spacePressed = false;
    m_completionAwaitsRelease = false;
    m_releasedAt.reset();
    Q_EMIT completed();
}

void SkipHold::mouseDown() {
    if (!m_pressing && !m_completed)
        start();
}

void SkipHold::mouseUp() {
    if (!m_completed)
        cancel();
}

void SkipHold::spacePress(double now, bool autoRepeat) {
    if (m_completed || (autoRepeat && m_spaceHeldOver))
        return;
    m_spaceHeldOver = false;
    // A press right behind a release is the key repeating, not a new press.
    if (m_releasedAt) {
        m_releasedAt.reset();
        if (m_completionAwaitsRelease)
            complete();
        return;
    }
    if (!m_pressing && !m_spacePressed) {
        m_spacePressed = true;
        start(now);
    }
}

void SkipHold::spaceRelease(double now, bool autoRepeat) {
    if (!autoRepeat)
        m_spaceHeldOver = false;
    if (!autoRepeat && m_spacePressed && !m_completed)
        m_releasedAt = now;
}

void SkipHold::tick(double now) {
    if (m_releasedAt && now - *m_releasedAt >= releaseSettleSeconds) {
        m_releasedAt.reset();
        m_spacePressed = false;
        cancel();
        return;
    }
    if (!m_pressing || m_completed || m_completionAwaitsRelease)
        return;
    if (!m_countedTo)
        m_countedTo = now - tickSeconds;
    const auto steps = std::max(0L, std::lround((now - *m_countedTo) / tickSeconds));
    *m_countedTo += double(steps) * tickSeconds;
    for (long i = 0; i < steps && m_progress < 1.0; ++i)
        m_progress += tickSeconds / holdSeconds;
    if (m_progress >= 1.0) {
        m_progress = 1.0;
        // A key let go before the last tick must not skip.
        if (m_releasedAt)
            m_completionAwaitsRelease = true;
        else
            complete();
    }
    Q_EMIT progressed(m_progress);
}

void SkipHold::letGo() {
    if (m_completed)
        return;
    m_spacePressed = false;
    m_spaceHeldOver = false;
    m_releasedAt.reset();
    if (m_pressing)
        cancel();
}
