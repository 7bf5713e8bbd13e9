#pragma once

#include "platform/Clock.h"

// A clock that stands still until a test moves it; installs itself for its lifetime.
class FakeClock final : public Clock {
public:
    explicit FakeClock(const QDateTime& start)
        : m_now(start) {
        Clock::install(this);
    }
    ~FakeClock() override { Clock::install(nullptr); }

    QDateTime currentDateTime() const override { return m_now; }
    void set(const QDateTime& now) { m_now = now; }
    void advanceSeconds(double seconds) { m_now = m_now.addMSecs(qint64(seconds * 1000)); }

private:
    QDateTime m_now;
};
