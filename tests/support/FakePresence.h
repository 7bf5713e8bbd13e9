#pragma once

#include "platform/BusyState.h"
#include "platform/IdleWatch.h"
#include "platform/MotionPreference.h"

// Busy reasons a test sets by hand; a change emits changed().
class FakeBusyState final : public BusyState {
    Q_OBJECT
public:
    using BusyState::BusyState;
    BusyReason reason() override {
        return m_inhibited && m_reason == BusyReason::none ? BusyReason::inhibitor : m_reason;
    }
    bool inhibited() override { return m_inhibited; }
    void set(BusyReason reason) {
        m_reason = reason;
        Q_EMIT changed();
    }
    void setInhibited(bool on) {
        m_inhibited = on;
        Q_EMIT changed();
    }

private:
    BusyReason m_reason = BusyReason::none;
    bool m_inhibited = false;
};

// An idle watch the test fires by hand.
class FakeIdleWatch final : public IdleWatch {
    Q_OBJECT
public:
    using IdleWatch::IdleWatch;
    bool watch(qint64 seconds) override {
        m_watched = seconds;
        return m_available;
    }
    void stop() override { m_watched = 0; }
    QString sourceName() const override { return m_available ? QStringLiteral("fake") : QString(); }
    void setAvailable(bool on) { m_available = on; }
    // The length being watched; 0 when none.
    qint64 watched() const { return m_watched; }

private:
    bool m_available = true;
    qint64 m_watched = 0;
};

class FakeMotionPreference final : public MotionPreference {
    Q_OBJECT
public:
    using MotionPreference::MotionPreference;
    bool reduced() override { return m_reduced; }
    void setReduced(bool on) { m_reduced = on; }

private:
    bool m_reduced = false;
};
