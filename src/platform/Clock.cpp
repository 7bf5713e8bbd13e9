#include "Clock.h"

#include <QTimer>
#include <atomic>

namespace {
class SystemClock final : public Clock {
public:
    QDateTime currentDateTime() const override { return QDateTime::currentDateTime(); }
};

const SystemClock systemClock;
std::atomic<const Clock*> installed{&systemClock};
} // namespace

QDateTime Clock::now() {
    return installed.load()->currentDateTime();
}

void Clock::after(int ms, QObject* context, std::function<void()> work) {
    installed.load()->schedule(ms, context, std::move(work));
}

void Clock::schedule(int ms, QObject* context, std::function<void()> work) const {
    QTimer::singleShot(ms, context, std::move(work));
}

void Clock::install(const Clock* clock) {
    installed.store(clock ? clock : &systemClock);
}
