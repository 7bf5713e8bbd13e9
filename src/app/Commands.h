#pragma once

#include "stats/StatsReporter.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QObject>
#include <optional>

class Defaults;
class ReminderEngine;
class RestCycle;
class RestGate;
class WorkspaceEvents;

// The one set of commands and state queries: the status menu, the D-Bus
// interface and through it the command line all go through here, and nothing
// else reaches into the rest cycle or the reminders.
class Commands final : public QObject {
    Q_OBJECT
public:
    enum class State { working, resting, paused };
    static constexpr qint64 maximumPauseSeconds = 7 * 24 * 3600;

    Commands(RestCycle* cycle, RestGate* gate, QList<ReminderEngine*> reminders, Defaults* defaults,
             WorkspaceEvents* workspace, QObject* parent = nullptr);

    // --- the rest cycle
    // A rest now, as asked for by hand; it starts even while paused.
    void rest();
    // Ends the rest on screen as skipped; false when there is none.
    bool skip();
    // Pauses for `seconds` from now, replacing any pause; a rest on screen ends
    // as skipped first. False, with nothing changed, outside 1 s to 7 days.
    bool pause(qint64 seconds);
    // Pauses until the next local midnight.
    void pauseUntilTomorrow();
    // Ends a pause now; nothing when not paused.
    void resume();
    void openReport(StatsReportScope::Kind kind);
    // The one-second tick: counts the cycle down unless paused, and ends a pause that is over.
    void tick();
    // Takes up a stored pause at launch, or forgets one that ended meanwhile.
    void restorePause();
    // The notice half a minute before a rest.
    bool headsUpEnabled() const;
    void setHeadsUpEnabled(bool on);

    // --- the reminders
    const QList<ReminderEngine*>& reminders() const { return m_reminders; }
    void setReminderEnabled(ReminderEngine* reminder, bool on);
    void setReminderInterval(ReminderEngine* reminder, qint64 minutes);
    // Asks through the alert whether it was done; says the logged line when it was.
    void recordReminder(ReminderEngine* reminder);

    // --- state
    State state() const;
    std::optional<QDateTime> pausedUntil() const { return m_pausedUntil; }
    // Seconds to the next rest while working; 0 while resting, -1 while paused.
    qint64 secondsToRest() const;
    // The moment of the next rest while working; none while it waits.
    std::optional<QDateTime> nextRestAt() const;
    // What a rest that fell due waits for: "" when it does not.
    QString waitingFor() const;
    // Reminder id to its next moment; reminders that are off are absent.
    QMap<QString, QDateTime> reminderDueAt() const;

    static QString stateName(State state);

Q_SIGNALS:
    // The state, the next rest's moment (beyond a second's drift) or the pause's end changed.
    void stateChanged();
    // A reminder's next moment may have changed.
    void remindersChanged();
    void reportRequested(const StatsReportScope& scope);
    // A line for the status menu, shown for a few seconds.
    void said(const QString& line);

private:
    void setPausedUntil(const std::optional<QDateTime>& until);
    void endPauseIfOver();
    void publish();

    RestCycle* const m_cycle;
    RestGate* const m_gate;
    const QList<ReminderEngine*> m_reminders;
    Defaults* const m_defaults;
    std::optional<QDateTime> m_pausedUntil;
    // What was last announced through stateChanged.
    State m_shownState = State::working;
    std::optional<QDateTime> m_shownNextRestAt;
    std::optional<QDateTime> m_shownPausedUntil;
    QString m_shownWaitingFor;
};
