#pragma once

#include "ReminderProfile.h"

#include <QDateTime>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <optional>

class QTimer;
struct NotificationResponse;

// One interval reminder: the day model, one one-shot timer, delivery through
// a notification or the modal alert, counting, skipping and the status line.
// Each body reminder is this engine over its own row.
class ReminderEngine : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 repeatDelaySeconds = 600;
    static constexpr qint64 snoozeSeconds = 600;
    static constexpr qint64 deferRetrySeconds = 60;
    static constexpr qint64 afterRestDelaySeconds = 5;
    static constexpr qint64 minimumTimerDelaySeconds = 1;
    // A hand-edited interval above a year is read as a year, so that
    // interval x 60 can never overflow.
    static constexpr qint64 maximumIntervalMinutes = 366 * 24 * 60;

    ReminderEngine(ReminderRow row, const ReminderServices& services, QObject* parent = nullptr);
    ~ReminderEngine() override;

    const ReminderRow& row() const { return m_row; }
    const ReminderProfile& profile() const { return m_row.profile; }

    // Launch: observe resume events, refresh the day and, when enabled, begin it.
    void start();
    void stop();
    void observeWorkspaceResumeEvents();

    void setEnabled(bool on);
    void setInterval(qint64 minutes);
    // True when the user confirmed.
    bool showReminderAlert(StatsEventSource source, bool recordPrompt = true);
    // Counts one done now; `guidedSeconds` goes into the payload of rows that record it.
    void recordCount(StatsEventSource source, std::optional<qint64> guidedSeconds = std::nullopt);
    // Neither done nor skipped: the same reminder comes back in ten minutes.
    void snooze(StatsEventSource source);
    // While a rest is on screen a due reminder waits, and comes soon after the rest.
    void setResting(bool resting);
    // While paused nothing fires; a reminder that fell due meanwhile is not
    // made up, its interval starts afresh when the pause ends.
    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }
    // True when the response was this reminder's and was handled.
    bool handleNotificationResponse(const NotificationResponse& response);
    void retryDeferredReminderAfterRest();
    QString statusText();
    // A random logged line with the day's count.
    QString loggedLine() const;

    bool isEnabled() const;
    // The stored interval, below 1 read as the default.
    qint64 intervalMinutes() const;
    qint64 count() const;
    bool hasStartedToday() const;
    std::optional<QDateTime> nextReminderAt() const;
    bool deferredReminderAfterRest() const { return m_deferredReminderAfterRest; }
    const QTimer* reminderTimer() const { return m_reminderTimer; }

    void ensureFreshDayState();
    void beginTodayIfNeeded();
    void scheduleTimerIfNeeded();
    void fireReminderIfNeeded();
    void handleResumeEvent();
    // What the timer runs: a timer cut short by the toolkit's limit, or a
    // clock set back, re-aims instead of reminding early.
    void reminderTimerFired();

    // "%02d:%02d" below an hour, then "<h>小时<m>分".
    static QString formatRemaining(qint64 seconds);

    void ensureFreshCount();

Q_SIGNALS:
    // After any change that affects the menu or the next moment.
    void stateChanged();
    // After each skip, with the line that answers it.
    void skipped(const QString& line);

private:
    bool isToday(const std::optional<QDateTime>& moment) const;
    void dropTimer();
    void removeNotifications();
    void deliverReminder();
    void addNotificationRequest();
    void showAlertLater(bool recordPrompt = true);
    void recordPromptShown(StatsEventSource source);
    void reportReminderSkipped(StatsEventSource source);
    void setNextReminderAt(const QDateTime& moment);
    qint64 effectiveInterval(qint64 minutes) const;
    void notifyStateChange();

    ReminderText pickText() const;

    ReminderRow m_row;
    ReminderServices m_services;
    QTimer* m_reminderTimer = nullptr;
    bool m_deferredReminderAfterRest = false;
    // A second alert while one is open would stack modal loops.
    bool m_alertOpen = false;
    bool m_stopped = false;
    bool m_resting = false;
    bool m_paused = false;
    QList<QMetaObject::Connection> m_observers;
};
