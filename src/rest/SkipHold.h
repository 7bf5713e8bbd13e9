#pragma once

#include <QObject>
#include <optional>

// The long press that skips a rest, held by the mouse on the control or by
// the Space key, as a state machine on time handed in. Whoever drives it calls
// tick() every `tickSeconds` while needsTicks() holds.
//
// X11 repeats a held key as release/press pairs, and Qt marks a pair as a
// repeat only once both have arrived, which under load they may not have: a
// Space release counts only when no press follows it within
// `releaseSettleSeconds`, and a hold reaching its end meanwhile waits to see.
// XWayland may deliver the first press itself as such a pair, which Qt flags
// as a repeat: a flagged press is taken for a repeat only while a Space held
// since before the rest came into sight is still down.
class SkipHold final : public QObject {
    Q_OBJECT
public:
    static constexpr double holdSeconds = 1.5;
    static constexpr double tickSeconds = 0.05;
    static constexpr double releaseSettleSeconds = 0.04;

    using QObject::QObject;

    void mouseDown();
    void mouseUp();
    void spacePress(double now, bool autoRepeat = false);
    void spaceRelease(double now, bool autoRepeat = false);
    // Space was already down when the view came into sight: its repeats are no hold.
    void spaceHeldOver() { m_spaceHeldOver = true; }
    // The steps of a running hold due by `now`: a timer that a busy machine fires
    // late still counts the time held. A Space release that has settled ends it first.
    void tick(double now);
    // The view went out of sight: a hold in progress ends without skipping.
    void letGo();

    double progress() const { return m_progress; }
    bool isPressing() const { return m_pressing; }
    bool isSpacePressed() const { return m_spacePressed; }
    bool isCompleted() const { return m_completed; }
    bool needsTicks() const { return !m_completed && (m_pressing || m_releasedAt); }

Q_SIGNALS:
    void started();
    void progressed(double progress);
    // The hold ended early; progress is back at 0.
    void cancelled();
    // Once per hold, and nothing undoes it.
    void completed();

private:
    void start(std::optional<double> now = std::nullopt);
    void cancel();
    void complete();

    double m_progress = 0.0;
    bool m_pressing = false;
    bool m_spacePressed = false;
    bool m_completed = false;
    bool m_completionAwaitsRelease = false;
    bool m_spaceHeldOver = false;
    std::optional<double> m_releasedAt;
    // The moment up to which steps have been counted; a mouse hold begins it at its first tick.
    std::optional<double> m_countedTo;
};
