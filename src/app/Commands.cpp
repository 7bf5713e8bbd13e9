#include "Commands.h"

#include "ToviCopy.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/WorkspaceEvents.h"
#include "reminders/ReminderEngine.h"
#include "rest/RestCopy.h"
#include "rest/RestCycle.h"
#include "rest/RestGate.h"

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {
const QString pausedUntilKey = u"pausedUntil"_s;
const QString headsUpKey = u"restHeadsUpEnabled"_s;
// The tick drifts a little against the clock; only a real change is news.
constexpr qint64 nextRestToleranceMs = 1500;
} // namespace

Commands::Commands(RestCycle* cycle, RestGate* gate, QList<ReminderEngine*> reminders, Defaults* defaults,
                   WorkspaceEvents* workspace, QObject* parent)
    : QObject(parent)
    , m_cycle(cycle)
    , m_gate(gate)
    , m_reminders(std::move(reminders))
    , m_defaults(defaults) {
    m_defaults->registerDefaults({{headsUpKey, true}});
    connect(m_gate, &RestGate::waitingChanged, this, &Commands::publish);
    connect(m_cycle, &RestCycle::restStarted, this, [this] {
        for (ReminderEngine* reminder : m_reminders)
            reminder->setResting(true);
        publish();
    });
    connect(m_cycle, &RestCycle::restEnded, this, [this] {
        for (ReminderEngine* reminder : m_reminders)
            reminder->setResting(false);
        publish();
    });
    for (ReminderEngine* reminder : m_reminders)
        connect(reminder, &ReminderEngine::stateChanged, this, &Commands::remindersChanged);
    // A pause that ended during a suspend ends as soon as the machine is back.
    if (workspace) {
        connect(workspace, &WorkspaceEvents::didWake, this, &Commands::endPauseIfOver);
        connect(workspace, &WorkspaceEvents::sessionDidBecomeActive, this, &Commands::endPauseIfOver);
    }
}

void Commands::rest() {
    m_cycle->startRest(StatsEventSource::manual);
}

bool Commands::skip() {
    if (!m_cycle->isResting())
        return false;
    m_cycle->stopRest(ToviCopy::pick(RestCopy::restSkipLines()));
    return true;
}

bool Commands::pause(qint64 seconds) {
    if (seconds < 1 || seconds > maximumPauseSeconds)
        return false;
    const QDateTime until = Clock::now().addSecs(seconds);
    skip();
    setPausedUntil(until);
    return true;
}

void Commands::pauseUntilTomorrow() {
    const QDateTime now = Clock::now();
    const QDateTime midnight = now.toLocalTime().date().addDays(1).startOfDay(Qt::LocalTime);
    pause(std::max<qint64>(1, now.secsTo(midnight)));
}

void Commands::resume() {
    if (!m_pausedUntil)
        return;
    setPausedUntil(std::nullopt);
}

void Commands::setPausedUntil(const std::optional<QDateTime>& until) {
    const bool wasPaused = m_pausedUntil.has_value();
    m_pausedUntil = until;
    if (until)
        m_defaults->setDate(pausedUntilKey, *until);
    else
        m_defaults->remove(pausedUntilKey);
    if (wasPaused != until.has_value()) {
        m_gate->setPaused(until.has_value());
        for (ReminderEngine* reminder : m_reminders)
            reminder->setPaused(until.has_value());
        // What fell due during the pause is not made up: work starts afresh.
        if (!until && !m_cycle->isResting())
            m_cycle->restartWork();
    }
    publish();
}

void Commands::restorePause() {
    // One that ended while Tovi was not running still ends: what fell due is not made up.
    if (const auto stored = m_defaults->date(pausedUntilKey)) {
        setPausedUntil(stored);
        endPauseIfOver();
    }
    publish();
}

void Commands::endPauseIfOver() {
    if (m_pausedUntil && *m_pausedUntil <= Clock::now())
        resume();
}

void Commands::tick() {
    endPauseIfOver();
    if (!m_pausedUntil || m_cycle->isResting())
        m_cycle->tick();
    publish();
}

bool Commands::headsUpEnabled() const {
    return m_defaults->boolean(headsUpKey, true);
}

void Commands::setHeadsUpEnabled(bool on) {
    m_defaults->setBoolean(headsUpKey, on);
}

void Commands::openReport(StatsReportScope::Kind kind) {
    Q_EMIT reportRequested({kind, Clock::now()});
}

void Commands::setReminderEnabled(ReminderEngine* reminder, bool on) {
    reminder->setEnabled(on);
}

void Commands::setReminderInterval(ReminderEngine* reminder, qint64 minutes) {
    reminder->setInterval(minutes);
}

void Commands::recordReminder(ReminderEngine* reminder) {
    if (!reminder->showReminderAlert(StatsEventSource::manual))
        return;
    reminder->ensureFreshCount();
    Q_EMIT said(reminder->loggedLine());
}

Commands::State Commands::state() const {
    if (m_cycle->isResting())
        return State::resting;
    return m_pausedUntil ? State::paused : State::working;
}

qint64 Commands::secondsToRest() const {
    switch (state()) {
    case State::resting:
        return 0;
    case State::paused:
        return -1;
    case State::working:
        break;
    }
    return m_cycle->workSecondsRemaining();
}

std::optional<QDateTime> Commands::nextRestAt() const {
    if (state() != State::working || m_gate->waitingFor() != RestGate::Wait::none)
        return std::nullopt;
    return Clock::now().addSecs(m_cycle->workSecondsRemaining());
}

QString Commands::waitingFor() const {
    return RestGate::waitName(m_gate->waitingFor());
}

QMap<QString, QDateTime> Commands::reminderDueAt() const {
    QMap<QString, QDateTime> due;
    for (const ReminderEngine* reminder : m_reminders) {
        const auto next = reminder->nextReminderAt();
        if (reminder->isEnabled() && next)
            due.insert(reminder->profile().id, *next);
    }
    return due;
}

QString Commands::stateName(State state) {
    switch (state) {
    case State::working:
        return u"working"_s;
    case State::resting:
        return u"resting"_s;
    case State::paused:
        return u"paused"_s;
    }
    return {};
}

void Commands::publish() {
    const State now = state();
    const auto next = nextRestAt();
    const bool nextMoved = next.has_value() != m_shownNextRestAt.has_value() ||
                           (next && std::abs(next->msecsTo(*m_shownNextRestAt)) > nextRestToleranceMs);
    const QString waiting = waitingFor();
    if (now == m_shownState && !nextMoved && m_pausedUntil == m_shownPausedUntil &&
        waiting == m_shownWaitingFor)
        return;
    m_shownWaitingFor = waiting;
    m_shownState = now;
    m_shownNextRestAt = next;
    m_shownPausedUntil = m_pausedUntil;
    Q_EMIT stateChanged();
}
