#pragma once

#include "stats/StatsEvent.h"

#include <QList>
#include <QString>
#include <QStringList>

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

// The lines one reminder shows.
struct ReminderCopy {
    QList<ReminderText> reminders;
    // Added to every body after a blank line, when set.
    QString instruction;
    QStringList skipLines;
    // "%d" is the day's count.
    QStringList loggedLines;
    QString confirmButton;
    QString skipButton;
    QString snoozeButton;
    QString skippedToastTitle;
    // Status lines, checked in this order; %1 is the day's count, %2 the time left.
    QString statusDue;
    QString statusOff;
    QString statusWaiting;
    QString statusLoading;
    QString statusScheduled;
};

// What a reminder's block of the status menu and its interval dialog say.
struct ReminderMenuText {
    QString heading;     // "💧 喝水提醒"
    QString name;        // "喝水提醒"
    QString recordTitle; // "    立即喝水"
    QString dialogTitle;
    QString dialogInformative;
    QString invalidTitle;
    QList<qint64> presets;
};

// Keys, identifiers, defaults and event types.
struct ReminderProfile {
    // The name others know it by: "hydration", "pelvic".
    QString id;
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
    QString snoozeActionIdentifier;
    StatsEventType promptShownType = StatsEventType::hydrationPromptShown;
    StatsEventType completedType = StatsEventType::hydrationCompleted;
    StatsEventType skippedType = StatsEventType::hydrationSkipped;
    StatsEventType snoozedType = StatsEventType::hydrationSnoozed;
    // Completions carry "guidedSeconds" in their payload.
    bool recordsGuidedSeconds = false;
};

// One reminder as data: a third reminder is one more row.
struct ReminderRow {
    ReminderProfile profile;
    ReminderCopy copy;
    ReminderMenuText menu;
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
