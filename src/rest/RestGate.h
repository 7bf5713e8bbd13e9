#pragma once

#include "RestCycle.h"

#include <QDateTime>
#include <QObject>
#include <optional>

class BusyState;
class IdleWatch;
class WorkspaceEvents;

// What stands between a rest falling due and its windows: a heads-up half a
// minute before, which may put it off; waiting while covering the screen
// would interrupt something; and time away from the desk, which counts as a
// rest of its own. Reads the busy and idle sources only at the moments that
// need them or on their signals.
class RestGate final : public QObject {
    Q_OBJECT
public:
    enum class HeadsUp {
        none,
        coming,         // may be put off or taken now
        comingLastCall, // put off twice in a row already: only taken now
        waitedLong,     // waited an hour: taken now, or wait on
    };
    enum class Wait { none, fullScreen, doNotDisturb, inhibitor, away };

    static constexpr qint64 headsUpSeconds = 30;
    static constexpr qint64 postponeSeconds = 5 * 60;
    static constexpr int postponesInARow = 2;
    static constexpr qint64 askAfterWaitingSeconds = 60 * 60;
    // While a rest waits the reasons are read again at most this often, and on
    // every change a source reports.
    static constexpr qint64 recheckSeconds = 3;

    // Null sources are off: rests never wait for them, time away is not noticed.
    RestGate(RestCycle* cycle, BusyState* busy, IdleWatch* idle, WorkspaceEvents* workspace,
             QObject* parent = nullptr);

    // Paused: no heads-up, no waiting, no time away.
    void setPaused(bool paused);
    // The heads-up's answers. postpone() is false when the cap or the state refuses it.
    bool postpone();
    void restNow();
    void keepWaiting();

    HeadsUp headsUp() const { return m_headsUp; }
    Wait waitingFor() const { return m_wait; }
    // "" | "full-screen" | "do-not-disturb" | "inhibitor" | "away"
    static QString waitName(Wait wait);

Q_SIGNALS:
    void headsUpChanged(RestGate::HeadsUp headsUp);
    void waitingChanged(RestGate::Wait wait);
    void naturalRestRecorded(qint64 idleSeconds);

private:
    std::optional<RestDelay> mayStart();
    Wait busyWait() const;
    bool inhibited() const;
    RestDelay delay() const;
    void workSecondsChanged(qint64 secondsLeft);
    void forgetDueRest();
    void setHeadsUp(HeadsUp headsUp);
    void setWait(Wait wait);
    void watchIdle();
    void idled(qint64 idleSeconds);
    void leave();
    void lockEnded();
    void comeBack(qint64 awaySeconds);

    RestCycle* const m_cycle;
    BusyState* const m_busy;
    IdleWatch* const m_idle;
    bool m_paused = false;
    HeadsUp m_headsUp = HeadsUp::none;
    Wait m_wait = Wait::none;
    int m_postpones = 0;
    qint64 m_postponedSeconds = 0;
    // The moment the work ran out while the rest has not started.
    std::optional<QDateTime> m_dueSince;
    std::optional<QDateTime> m_lastCheck;
    std::optional<QDateTime> m_askAt;
    bool m_recheck = false;
    std::optional<QDateTime> m_awaySince;
    // When the idle watch began: the start of the time away that may count.
    QDateTime m_watchedSince;
    // Away by the lock or a suspend: only the return says it is over.
    bool m_awayByLock = false;
    bool m_screenLocked = false;
    bool m_loggedNoIdle = false;
};
