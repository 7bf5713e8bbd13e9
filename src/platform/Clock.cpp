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

QString momentText(const QDateTime& at, const QDateTime& now) {
    const QDateTime local = at.toLocalTime();
    const qint64 days = now.toLocalTime().date().daysTo(local.date());
    const QString time = local.toString(QStringLiteral("HH:mm"));
    if (days == 0)
        return time;
    if (days == 1)
        return QStringLiteral("明天 ") + time;
    return local.toString(QStringLiteral("M月d日 ")) + time;
}
