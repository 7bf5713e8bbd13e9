#pragma once

#include <QDateTime>
#include <functional>

class QObject;

// The one source of "now", and of "later": delayed work runs on the same
// clock, so a test that moves a fake clock runs what fell due. Tests install
// a fake; the one-second tick still runs on a real timer.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime currentDateTime() const = 0;

    static QDateTime now();
    // Runs `work` `ms` from now, unless `context` is gone by then.
    static void after(int ms, QObject* context, std::function<void()> work);
    // Installs a clock for the whole process; nullptr restores the system clock.
    static void install(const Clock* clock);

protected:
    // The system clock's: a single-shot timer.
    virtual void schedule(int ms, QObject* context, std::function<void()> work) const;
};

// How a moment reads beside `now`: "15:30" today, "明天 00:00" tomorrow,
// "12月9日 08:00" further off.
QString momentText(const QDateTime& at, const QDateTime& now);
