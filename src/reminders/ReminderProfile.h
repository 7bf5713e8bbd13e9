#pragma once

#include "stats/StatsEvent.h"

#include <QString>
#include <functional>

class Alerts;
class Defaults;
class NotificationCenter;
class StatsStore;
class WorkspaceEvents;

struct ReminderText {
    QString title;
    QString body;
    bool operator==(const ReminderText&) const = default;
};

// The fixed lines one reminder shows. The application's text catalogue fills
// it in, so the engine never reaches up into the application layer.
struct ReminderCopy {
    std::function<ReminderText()> pickReminder;
    std::function<QString()> pickSkipLine;
    QString confirmButton;
    QString skipButton;
    // Status lines, checked in this order; %1 is the day's count, %2 the time left.
    QString statusDue;
    QString statusOff;
    QString statusWaiting;
    QString statusLoading;
    QString statusScheduled;
};

// What makes one reminder differ from the other: keys, identifiers, defaults
// and event types.
struct ReminderProfile {
    QString enabledKey;
    QString intervalKey;
    QString dayStartedAtKey;
    QString nextReminderAtKey;
    QString countKey;
    QString countDateKey;
    qint64 defaultIntervalMinutes = 45;
    QString notificationIdentifier;
    QString categoryIdentifier;
    QString confirmActionIdentifier;
    StatsEventType promptShownType = StatsEventType::hydrationPromptShown;
    StatsEventType completedType = StatsEventType::hydrationCompleted;
    StatsEventType skippedType = StatsEventType::hydrationSkipped;
    // Completions carry "guidedSeconds" in their payload.
    bool recordsGuidedSeconds = false;
};

// The services a reminder works through; none is owned. A missing
// notification centre sends every reminder to the modal alert.
struct ReminderServices {
    Defaults* defaults = nullptr;
    NotificationCenter* notifications = nullptr;
    Alerts* alerts = nullptr;
    StatsStore* statsStore = nullptr;
    WorkspaceEvents* workspace = nullptr;
};
