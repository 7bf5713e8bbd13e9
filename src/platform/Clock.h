#pragma once

#include <QDateTime>

// The one source of "now". Tests install a fake; timers still run on real time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime currentDateTime() const = 0;

    static QDateTime now();
    // Installs a clock for the whole process; nullptr restores the system clock.
    static void install(const Clock* clock);
};
