#pragma once

#include "platform/Clock.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <algorithm>

// A clock that stands still until a test moves it; installs itself for its
// lifetime. Moving it runs the delayed work that fell due, in order.
class FakeClock final : public Clock {
public:
    explicit FakeClock(const QDateTime& start)
        : m_now(start) {
        Clock::install(this);
    }
    ~FakeClock() override { Clock::install(nullptr); }

    QDateTime currentDateTime() const override { return m_now; }
    void set(const QDateTime& now) {
        m_now = now;
        runDue();
    }
    void advanceSeconds(double seconds) { set(m_now.addMSecs(qint64(seconds * 1000))); }

protected:
    void schedule(int ms, QObject* context, std::function<void()> work) const override {
        m_pending.append({m_now.addMSecs(ms), context, std::move(work)});
    }

private:
    struct Task {
        QDateTime due;
        QPointer<QObject> context;
        std::function<void()> work;
    };
    void runDue() {
        // Searched afresh each time: the work may schedule more.
        const auto due = [this](const Task& task) { return task.due <= m_now; };
        for (auto it = std::find_if(m_pending.begin(), m_pending.end(), due); it != m_pending.end();
             it = std::find_if(m_pending.begin(), m_pending.end(), due)) {
            const Task task = *it;
            m_pending.erase(it);
            if (task.context)
                task.work();
        }
    }

    QDateTime m_now;
    mutable QList<Task> m_pending;
};
