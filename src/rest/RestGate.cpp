#include "RestGate.h"

#include "platform/BusyState.h"
#include "platform/Clock.h"
#include "platform/IdleWatch.h"
#include "platform/Log.h"
#include "platform/WorkspaceEvents.h"

using namespace Qt::StringLiterals;

RestGate::RestGate(RestCycle* cycle, BusyState* busy, IdleWatch* idle, WorkspaceEvents* workspace,
                   QObject* parent)
    : QObject(parent)
    , m_cycle(cycle)
    , m_busy(busy)
    , m_idle(idle) {
    m_cycle->setStartCondition([this] { return mayStart(); });
    connect(m_cycle, &RestCycle::workSecondsChanged, this, &RestGate::workSecondsChanged);
    connect(m_cycle, &RestCycle::restStarted, this, [this] {
        forgetDueRest();
        if (m_idle)
            m_idle->stop();
    });
    connect(m_cycle, &RestCycle::restEnded, this, &RestGate::watchIdle);
    connect(m_cycle, &RestCycle::workRestarted, this, [this] {
        forgetDueRest();
        watchIdle();
    });
    if (m_busy)
        connect(m_busy, &BusyState::changed, this, [this] { m_recheck = true; });
    if (m_idle) {
        connect(m_idle, &IdleWatch::idled, this, &RestGate::idled);
        connect(m_idle, &IdleWatch::resumed, this, [this](qint64 idleSeconds) {
            if (m_awaySince && !m_awayByLock)
                comeBack(std::min(idleSeconds, m_awaySince->secsTo(Clock::now())));
        });
    }
    if (workspace) {
        connect(workspace, &WorkspaceEvents::screensDidLock, this, [this] {
            m_screenLocked = true;
            leave();
        });
        connect(workspace, &WorkspaceEvents::willSleep, this, &RestGate::leave);
        // Waking to a locked screen is not being back yet.
        connect(workspace, &WorkspaceEvents::didWake, this, [this] {
            if (!m_screenLocked)
                lockEnded();
        });
        for (const auto unlocked :
             {&WorkspaceEvents::screensDidWake, &WorkspaceEvents::sessionDidBecomeActive})
            connect(workspace, unlocked, this, [this] {
                m_screenLocked = false;
                lockEnded();
            });
    }
}

void RestGate::lockEnded() {
    if (m_awaySince && m_awayByLock)
        comeBack(m_awaySince->secsTo(Clock::now()));
}

QString RestGate::waitName(Wait wait) {
    switch (wait) {
    case Wait::none:
        return {};
    case Wait::fullScreen:
        return u"full-screen"_s;
    case Wait::doNotDisturb:
        return u"do-not-disturb"_s;
    case Wait::inhibitor:
        return u"inhibitor"_s;
    case Wait::away:
        return u"away"_s;
    }
    return {};
}

void RestGate::setPaused(bool paused) {
    if (paused == m_paused)
        return;
    m_paused = paused;
    m_awaySince.reset();
    m_awayByLock = false;
    forgetDueRest();
    if (paused && m_idle)
        m_idle->stop();
    else
        watchIdle();
}

bool RestGate::postpone() {
    if (m_paused || m_cycle->isResting() || m_postpones >= postponesInARow)
        return false;
    const int postpones = m_postpones + 1;
    const qint64 postponed = m_postponedSeconds + postponeSeconds;
    forgetDueRest();
    m_postpones = postpones;
    m_postponedSeconds = postponed;
    m_cycle->delayWork(postponeSeconds);
    return true;
}

void RestGate::restNow() {
    // Asked for from the heads-up: whatever holds, the user has chosen.
    m_cycle->startRest(StatsEventSource::scheduled, delay());
}

void RestGate::keepWaiting() {
    m_askAt = Clock::now().addSecs(askAfterWaitingSeconds);
    setHeadsUp(HeadsUp::none);
}

std::optional<RestDelay> RestGate::mayStart() {
    const QDateTime now = Clock::now();
    if (!m_dueSince) {
        m_dueSince = now;
        m_askAt = now.addSecs(askAfterWaitingSeconds);
        m_lastCheck.reset();
        // Its heads-up has said what it had to; the status line says the rest.
        setHeadsUp(HeadsUp::none);
    }
    if (m_awaySince) {
        setWait(Wait::away);
        return std::nullopt;
    }
    if (!m_lastCheck || m_recheck || m_lastCheck->secsTo(now) >= recheckSeconds) {
        m_lastCheck = now;
        m_recheck = false;
        setWait(busyWait());
    }
    if (m_wait == Wait::none)
        return delay();
    if (*m_askAt <= now && m_headsUp != HeadsUp::waitedLong)
        setHeadsUp(HeadsUp::waitedLong);
    return std::nullopt;
}

RestGate::Wait RestGate::busyWait() const {
    switch (m_busy ? m_busy->reason() : BusyReason::none) {
    case BusyReason::none:
        return Wait::none;
    case BusyReason::fullScreen:
        return Wait::fullScreen;
    case BusyReason::doNotDisturb:
        return Wait::doNotDisturb;
    case BusyReason::inhibitor:
        return Wait::inhibitor;
    }
    return Wait::none;
}

bool RestGate::inhibited() const {
    return m_busy && m_busy->inhibited();
}

RestDelay RestGate::delay() const {
    return {m_postponedSeconds, m_dueSince ? m_dueSince->secsTo(Clock::now()) : 0};
}

void RestGate::workSecondsChanged(qint64 secondsLeft) {
    if (secondsLeft != headsUpSeconds || m_paused || m_awaySince || busyWait() != Wait::none)
        return;
    setHeadsUp(m_postpones >= postponesInARow ? HeadsUp::comingLastCall : HeadsUp::coming);
}

// The rest is no longer coming as it was: it started, moved or was called off.
void RestGate::forgetDueRest() {
    m_postpones = 0;
    m_postponedSeconds = 0;
    m_dueSince.reset();
    m_askAt.reset();
    m_recheck = false;
    setHeadsUp(HeadsUp::none);
    setWait(Wait::none);
}

void RestGate::setHeadsUp(HeadsUp headsUp) {
    if (headsUp == m_headsUp)
        return;
    m_headsUp = headsUp;
    Q_EMIT headsUpChanged(headsUp);
}

void RestGate::setWait(Wait wait) {
    if (wait == m_wait)
        return;
    m_wait = wait;
    Q_EMIT waitingChanged(wait);
}

void RestGate::watchIdle() {
    if (!m_idle || m_paused || m_cycle->isResting() || m_awaySince)
        return;
    m_watchedSince = Clock::now();
    if (!m_idle->watch(m_cycle->restDuration()) && !m_loggedNoIdle) {
        m_loggedNoIdle = true;
        Log::line(u"Tovi: 读不到键盘鼠标的空闲时长，离开电脑不会记作休息（锁屏和睡眠照算）"_s);
    }
}

void RestGate::idled(qint64 idleSeconds) {
    // Reading a long article or watching a film is not a break.
    if (m_paused || m_cycle->isResting() || m_awaySince || inhibited())
        return;
    // Time untouched before this work period began was a rest already counted,
    // or Tovi was not running: only what came after counts.
    m_awaySince = std::max(Clock::now().addSecs(-idleSeconds), m_watchedSince);
    if (m_dueSince)
        setWait(Wait::away);
}

void RestGate::leave() {
    if (m_paused)
        return;
    // A rest window must not stand over the locker; the time from here on counts.
    if (m_cycle->isResting())
        m_cycle->stopRest();
    if (!m_awaySince)
        m_awaySince = Clock::now();
    m_awayByLock = true;
    setHeadsUp(HeadsUp::none);
    if (m_dueSince)
        setWait(Wait::away);
}

void RestGate::comeBack(qint64 awaySeconds) {
    m_awaySince.reset();
    m_awayByLock = false;
    if (!m_cycle->isResting() && awaySeconds >= m_cycle->restDuration() && !inhibited()) {
        m_cycle->recordNaturalRest(awaySeconds);
        Q_EMIT naturalRestRecorded(awaySeconds);
        return;
    }
    if (m_dueSince) {
        m_recheck = true;
        setWait(busyWait());
    }
    watchIdle();
}
