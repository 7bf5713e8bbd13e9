#pragma once

#include "ReminderEngine.h"

// The pelvic-floor exercise reminder: its keys, identifiers and a 60-minute default.
class PelvicFloorReminderManager final : public ReminderEngine {
    Q_OBJECT
public:
    static ReminderProfile pelvicFloorProfile();

    PelvicFloorReminderManager(ReminderCopy copy, const ReminderServices& services,
                               QObject* parent = nullptr);

    void recordCompletion(StatsEventSource source, qint64 guidedSeconds) {
        recordCount(source, guidedSeconds);
    }
    void ensureFreshCompletionCount() { ensureFreshCount(); }
};
