#include "HydrationReminderManager.h"

using namespace Qt::StringLiterals;

ReminderProfile HydrationReminderManager::hydrationProfile() {
    ReminderProfile p;
    p.enabledKey = u"hydrationReminderEnabled"_s;
    p.intervalKey = u"hydrationReminderIntervalMinutes"_s;
    p.dayStartedAtKey = u"hydrationReminderDayStartedAt"_s;
    p.nextReminderAtKey = u"hydrationReminderNextReminderAt"_s;
    p.countKey = u"hydrationReminderDrinkCount"_s;
    p.countDateKey = u"hydrationReminderDrinkCountDate"_s;
    p.defaultIntervalMinutes = 45;
    p.notificationIdentifier = u"hydration-reminder"_s;
    p.categoryIdentifier = u"HYDRATION_REMINDER"_s;
    p.confirmActionIdentifier = u"HYDRATION_DRANK"_s;
    p.promptShownType = StatsEventType::hydrationPromptShown;
    p.completedType = StatsEventType::hydrationCompleted;
    p.skippedType = StatsEventType::hydrationSkipped;
    p.recordsGuidedSeconds = false;
    return p;
}

HydrationReminderManager::HydrationReminderManager(ReminderCopy copy, const ReminderServices& services,
                                                   QObject* parent)
    : ReminderEngine(hydrationProfile(), std::move(copy), services, parent) {}
