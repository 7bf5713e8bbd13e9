#include "RestCycle.h"

#include "platform/Clock.h"
#include "stats/StatsStore.h"

#include <QUuid>
#include <algorithm>

using namespace Qt::StringLiterals;

RestCycle::RestCycle(StatsStore* store, std::function<QString()> themeRawValue, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_themeRawValue(std::move(themeRawValue)) {}

void RestCycle::setDurations(qint64 workSeconds, qint64 restSeconds) {
    m_workDuration = workSeconds;
    m_restDuration = restSeconds;
    restartWork();
}

void RestCycle::restartWork() {
    m_workSecondsRemaining = m_workDuration;
    Q_EMIT workRestarted();
}

void RestCycle::delayWork(qint64 seconds) {
    if (m_isResting)
        return;
    m_workSecondsRemaining += seconds;
    Q_EMIT workSecondsChanged(m_workSecondsRemaining);
}

void RestCycle::setStartCondition(std::function<std::optional<RestDelay>()> condition) {
    m_startCondition = std::move(condition);
}

void RestCycle::tick() {
    if (m_isResting) {
        if (m_restSecondsRemaining < 1) {
            stopRest();
            return;
        }
        Q_EMIT restSecondsChanged(--m_restSecondsRemaining);
    } else if (m_workSecondsRemaining >= 1) {
        Q_EMIT workSecondsChanged(--m_workSecondsRemaining);
    } else if (!m_startCondition) {
        startRest(StatsEventSource::scheduled);
    } else if (const auto delay = m_startCondition()) {
        startRest(StatsEventSource::scheduled, *delay);
    }
}

StatsPayload RestCycle::payload(qint64 actualSeconds, qint64 skippedSeconds) const {
    return {
        {u"plannedSeconds"_s, m_currentRestDuration},
        {u"actualSeconds"_s, actualSeconds},
        {u"skippedSeconds"_s, skippedSeconds},
        {u"workDurationSeconds"_s, m_workDuration},
        {u"theme"_s, m_themeRawValue ? m_themeRawValue() : u"aurora"_s},
    };
}

void RestCycle::startRest(StatsEventSource source, const RestDelay& delay) {
    if (m_isResting)
        return;
    m_isResting = true;
    m_currentRestDuration = m_restDuration;
    m_restSecondsRemaining = m_restDuration;
    m_sessionId = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    m_source = source;
    if (m_store) {
        StatsPayload started = payload(0, 0);
        started.insert(u"postponedSeconds"_s, delay.postponedSeconds);
        started.insert(u"waitedSeconds"_s, delay.waitedSeconds);
        m_store->record(StatsEventType::restStarted, source, m_sessionId, started, Clock::now());
    }
    Q_EMIT restStarted();
}

void RestCycle::recordNaturalRest(qint64 idleSeconds) {
    if (m_isResting)
        return;
    m_currentRestDuration = m_restDuration;
    if (m_store) {
        const std::optional<QString> session = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        StatsPayload started = payload(0, 0);
        started.insert(u"idleSeconds"_s, idleSeconds);
        StatsPayload completed = payload(m_restDuration, 0);
        completed.insert(u"idleSeconds"_s, idleSeconds);
        const QDateTime now = Clock::now();
        m_store->record(StatsEventType::restStarted, StatsEventSource::system, session, started, now);
        m_store->record(StatsEventType::restCompleted, StatsEventSource::system, session, completed, now);
    }
    restartWork();
}

void RestCycle::stopRest(const std::optional<QString>& skipMessage) {
    if (!m_isResting)
        return;
    const qint64 remaining = std::max<qint64>(m_restSecondsRemaining, 0);
    const qint64 actual = std::max<qint64>(m_currentRestDuration - remaining, 0);
    if (m_store)
        m_store->record(skipMessage ? StatsEventType::restSkipped : StatsEventType::restCompleted, m_source,
                        m_sessionId, payload(actual, skipMessage ? remaining : 0), Clock::now());
    m_sessionId.reset();
    m_isResting = false;
    m_workSecondsRemaining = m_workDuration;
    Q_EMIT restEnded(skipMessage);
}
