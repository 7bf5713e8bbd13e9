#include "PelvicFloorReminderManager.h"

using namespace Qt::StringLiterals;

ReminderProfile PelvicFloorReminderManager::pelvicFloorProfile() {
    ReminderProfile p;
    p.enabledKey = u"pelvicFloorReminderEnabled"_s;
    p.intervalKey = u"pelvicFloorReminderIntervalMinutes"_s;
    p.dayStartedAtKey = u"pelvicFloorReminderDayStartedAt"_s;
    p.nextReminderAtKey = u"pelvicFloorReminderNextReminderAt"_s;
    p.countKey = u"pelvicFloorReminderCompletionCount"_s;
    p.countDateKey = u"pelvicFloorReminderCompletionCountDate"_s;
    p.defaultIntervalMinutes = 60;
    p.notificationIdentifier = u"pelvic-floor-reminder"_s;
    p.categoryIdentifier = u"PELVIC_FLOOR_REMINDER"_s;
    p.confirmActionIdentifier = u"PELVIC_FLOOR_COMPLETE"_s;
    p.promptShownType = StatsEventType::pelvicPromptShown;
    p.completedType = StatsEventType::pelvicCompleted;
    p.skippedType = StatsEventType::pelvicSkipped;
    p.recordsGuidedSeconds = true;
    return p;
}

PelvicFloorReminderManager::PelvicFloorReminderManager(ReminderCopy copy, const ReminderServices& services,
                                                       QObject* parent)
    : ReminderEngine(pelvicFloorProfile(), std::move(copy), services, parent) {}
