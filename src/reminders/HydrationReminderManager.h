#pragma once

#include "ReminderEngine.h"

// The drink-water reminder: its keys, identifiers and a 45-minute default.
class HydrationReminderManager final : public ReminderEngine {
    Q_OBJECT
public:
    static ReminderProfile hydrationProfile();

    HydrationReminderManager(ReminderCopy copy, const ReminderServices& services, QObject* parent = nullptr);

    void recordDrink(StatsEventSource source) { recordCount(source, std::nullopt); }
    void ensureFreshDrinkCount() { ensureFreshCount(); }
};
