#include "Clock.h"

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

void Clock::install(const Clock* clock) {
    installed.store(clock ? clock : &systemClock);
}
