#pragma once

#include "stats/StatsEvent.h"

#include <QObject>
#include <functional>
#include <optional>

class StatsStore;

// How long a rest was put off before it started.
struct RestDelay {
    qint64 postponedSeconds = 0;
    qint64 waitedSeconds = 0;
};

// The work and rest countdown with no windows: one tick a second counts the
// working period down, starts the rest after the tick that showed 0, counts the
// rest down and ends it the same way. Each rest is one session in the store.
class RestCycle final : public QObject {
    Q_OBJECT
public:
    // `themeRawValue` names the look a rest is recorded with.
    RestCycle(StatsStore* store, std::function<QString()> themeRawValue, QObject* parent = nullptr);

    // A new mode restarts the working countdown; a rest on screen keeps its length.
    void setDurations(qint64 workSeconds, qint64 restSeconds);
    void restartWork();
    // Moves the rest that is coming `seconds` further off.
    void delayWork(qint64 seconds);
    // Asked each tick once the work has run out: the delay to start the rest
    // with, or nothing while it waits. None set: the rest starts at once.
    void setStartCondition(std::function<std::optional<RestDelay>()> condition);

    void tick();
    void startRest(StatsEventSource source, const RestDelay& delay = {});
    // Time away that was a rest of its own: recorded as one that started and
    // completed, and the work starts afresh.
    void recordNaturalRest(qint64 idleSeconds);
    // Ends the rest on screen: skipped with the line shown, or completed.
    void stopRest(const std::optional<QString>& skipMessage = std::nullopt);

    qint64 workDuration() const { return m_workDuration; }
    qint64 restDuration() const { return m_restDuration; }
    qint64 workSecondsRemaining() const { return m_workSecondsRemaining; }
    qint64 restSecondsRemaining() const { return m_restSecondsRemaining; }
    // The length the rest on screen started with.
    qint64 currentRestDuration() const { return m_currentRestDuration; }
    bool isResting() const { return m_isResting; }
    std::optional<QString> sessionId() const { return m_sessionId; }
    StatsEventSource source() const { return m_source; }
    StatsPayload payload(qint64 actualSeconds, qint64 skippedSeconds) const;

Q_SIGNALS:
    void workSecondsChanged(qint64 secondsLeft);
    void restStarted();
    void restSecondsChanged(qint64 secondsLeft);
    void restEnded(const std::optional<QString>& skipMessage);
    // The work countdown started afresh without a rest: a new mode, the end of
    // a pause, time away.
    void workRestarted();

private:
    StatsStore* const m_store;
    const std::function<QString()> m_themeRawValue;
    std::function<std::optional<RestDelay>()> m_startCondition;
    qint64 m_workDuration = 1200;
    qint64 m_restDuration = 20;
    qint64 m_workSecondsRemaining = 1200;
    qint64 m_restSecondsRemaining = 20;
    qint64 m_currentRestDuration = 20;
    bool m_isResting = false;
    std::optional<QString> m_sessionId;
    StatsEventSource m_source = StatsEventSource::scheduled;
};
