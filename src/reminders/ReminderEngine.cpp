#include "ReminderEngine.h"

#include "ReminderRows.h"

#include "platform/Alerts.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/WorkspaceEvents.h"
#include "stats/StatsStore.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>
#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {
QString pick(const QStringList& lines) {
    return lines.isEmpty() ? QString() : lines.at(QRandomGenerator::global()->bounded(qint64(lines.size())));
}
} // namespace

ReminderEngine::ReminderEngine(ReminderRow row, const ReminderServices& services, QObject* parent)
    : QObject(parent)
    , m_row(std::move(row))
    , m_services(services) {
    m_services.defaults->registerDefaults({
        {m_row.profile.enabledKey, true},
        {m_row.profile.intervalKey, m_row.profile.defaultIntervalMinutes},
    });
    if (m_services.notifications) {
        connect(m_services.notifications, &NotificationCenter::postFailed, this, [this](const QString& id) {
            // Its prompt was recorded when the post went out.
            if (id == m_row.profile.notificationIdentifier)
                showAlertLater(false);
        });
    }
}

ReminderEngine::~ReminderEngine() {
    stop();
}

void ReminderEngine::start() {
    m_stopped = false;
    observeWorkspaceResumeEvents();
    ensureFreshDayState();
    if (isEnabled()) {
        beginTodayIfNeeded();
        scheduleTimerIfNeeded();
    }
}

void ReminderEngine::stop() {
    m_stopped = true;
    dropTimer();
    for (const QMetaObject::Connection& c : std::as_const(m_observers))
        disconnect(c);
    m_observers.clear();
}

void ReminderEngine::observeWorkspaceResumeEvents() {
    WorkspaceEvents* events = m_services.workspace;
    if (!events || !m_observers.isEmpty())
        return;
    m_observers << connect(events, &WorkspaceEvents::didWake, this, &ReminderEngine::handleResumeEvent)
                << connect(events, &WorkspaceEvents::screensDidWake, this, &ReminderEngine::handleResumeEvent)
                << connect(events, &WorkspaceEvents::sessionDidBecomeActive, this,
                           &ReminderEngine::handleResumeEvent);
}

bool ReminderEngine::isEnabled() const {
    return m_services.defaults->boolean(m_row.profile.enabledKey, true);
}

qint64 ReminderEngine::effectiveInterval(qint64 minutes) const {
    if (minutes < 1)
        return m_row.profile.defaultIntervalMinutes;
    return std::min(minutes, maximumIntervalMinutes);
}

qint64 ReminderEngine::intervalMinutes() const {
    return effectiveInterval(
        m_services.defaults->integer(m_row.profile.intervalKey, m_row.profile.defaultIntervalMinutes));
}

qint64 ReminderEngine::count() const {
    return std::max<qint64>(0, m_services.defaults->integer(m_row.profile.countKey, 0));
}

bool ReminderEngine::isToday(const std::optional<QDateTime>& moment) const {
    return moment && moment->toLocalTime().date() == Clock::now().toLocalTime().date();
}

bool ReminderEngine::hasStartedToday() const {
    return isToday(m_services.defaults->date(m_row.profile.dayStartedAtKey));
}

std::optional<QDateTime> ReminderEngine::nextReminderAt() const {
    return m_services.defaults->date(m_row.profile.nextReminderAtKey);
}

void ReminderEngine::setNextReminderAt(const QDateTime& moment) {
    m_services.defaults->setDate(m_row.profile.nextReminderAtKey, moment);
}

void ReminderEngine::notifyStateChange() {
    Q_EMIT stateChanged();
}

void ReminderEngine::dropTimer() {
    delete m_reminderTimer;
    m_reminderTimer = nullptr;
}

void ReminderEngine::removeNotifications() {
    if (m_services.notifications)
        m_services.notifications->remove(m_row.profile.notificationIdentifier);
}

void ReminderEngine::ensureFreshDayState() {
    const auto started = m_services.defaults->date(m_row.profile.dayStartedAtKey);
    if (!started)
        return;
    if (!isToday(started)) {
        dropTimer();
        m_deferredReminderAfterRest = false;
        m_services.defaults->remove(m_row.profile.dayStartedAtKey);
        m_services.defaults->remove(m_row.profile.nextReminderAtKey);
        removeNotifications();
    }
    ensureFreshCount();
}

void ReminderEngine::ensureFreshCount() {
    if (isToday(m_services.defaults->date(m_row.profile.countDateKey)))
        return;
    m_services.defaults->setInteger(m_row.profile.countKey, 0);
}

void ReminderEngine::beginTodayIfNeeded() {
    ensureFreshDayState();
    if (hasStartedToday())
        return;
    const QDateTime now = Clock::now();
    m_services.defaults->setDate(m_row.profile.dayStartedAtKey, now);
    m_services.defaults->setInteger(m_row.profile.countKey, 0);
    m_services.defaults->setDate(m_row.profile.countDateKey, now);
    setNextReminderAt(now.addSecs(intervalMinutes() * 60));
    scheduleTimerIfNeeded();
}

void ReminderEngine::scheduleTimerIfNeeded() {
    dropTimer();
    const auto next = nextReminderAt();
    if (m_paused || !isEnabled() || !hasStartedToday() || !next)
        return;
    const qint64 untilMs = Clock::now().msecsTo(*next);
    // QTimer takes an int of milliseconds; a longer wait is re-aimed when it ends.
    const qint64 delayMs =
        std::clamp<qint64>(untilMs, minimumTimerDelaySeconds * 1000, std::numeric_limits<int>::max());
    m_reminderTimer = new QTimer(this);
    m_reminderTimer->setSingleShot(true);
    m_reminderTimer->setTimerType(Qt::CoarseTimer);
    // The timer is a child: it cannot outlive the engine it calls.
    connect(m_reminderTimer, &QTimer::timeout, this, &ReminderEngine::reminderTimerFired);
    m_reminderTimer->start(int(delayMs));
}

void ReminderEngine::reminderTimerFired() {
    const auto next = nextReminderAt();
    if (next && Clock::now().msecsTo(*next) > minimumTimerDelaySeconds * 1000) {
        scheduleTimerIfNeeded();
        return;
    }
    fireReminderIfNeeded();
}

void ReminderEngine::fireReminderIfNeeded() {
    ensureFreshDayState();
    if (m_paused || !isEnabled() || !hasStartedToday()) {
        notifyStateChange();
        return;
    }
    const QDateTime now = Clock::now();
    QDateTime next;
    if (m_resting) {
        m_deferredReminderAfterRest = true;
        next = now.addSecs(deferRetrySeconds);
    } else {
        deliverReminder();
        // An unanswered reminder comes back until the user drinks or skips.
        next = now.addSecs(repeatDelaySeconds);
    }
    setNextReminderAt(next);
    scheduleTimerIfNeeded();
    notifyStateChange();
}

void ReminderEngine::deliverReminder() {
    if (!m_services.notifications) {
        showAlertLater();
        return;
    }
    m_services.notifications->checkAuthorization(this, [this](bool authorized) {
        // Switched off while the server was answering.
        if (!isEnabled())
            return;
        if (authorized)
            addNotificationRequest();
        else
            showAlertLater();
    });
}

void ReminderEngine::showAlertLater(bool recordPrompt) {
    // After the firing has stored its repeat, so that an answer made in the
    // alert's own loop is not overwritten by it.
    QTimer::singleShot(
        0, this, [this, recordPrompt] { showReminderAlert(StatsEventSource::scheduled, recordPrompt); });
}

void ReminderEngine::addNotificationRequest() {
    removeNotifications();
    recordPromptShown(StatsEventSource::scheduled);
    const ReminderText text = pickText();
    m_services.notifications->post({m_row.profile.notificationIdentifier, m_row.profile.categoryIdentifier,
                                    text.title, text.body, true});
}

bool ReminderEngine::showReminderAlert(StatsEventSource source, bool recordPrompt) {
    if (m_alertOpen || !m_services.alerts || m_stopped)
        return false;
    if (recordPrompt)
        recordPromptShown(source);
    const ReminderText text = pickText();
    AlertRequest request;
    request.style = AlertRequest::Style::Informational;
    request.messageText = text.title;
    request.informativeText = text.body;
    request.buttons = {m_row.copy.confirmButton, m_row.copy.skipButton, m_row.copy.snoozeButton};
    m_alertOpen = true;
    QPointer<ReminderEngine> self(this);
    const int answer = m_services.alerts->run(request);
    if (!self)
        return false;
    m_alertOpen = false;
    // Quitting ends the alert's loop too: that is no answer, and nothing is
    // recorded at quit.
    if (m_stopped)
        return false;
    if (answer == 0) {
        recordCount(source, std::nullopt);
        return true;
    }
    if (answer == 2) {
        snooze(source);
        return false;
    }
    reportReminderSkipped(source);
    return false;
}

void ReminderEngine::recordCount(StatsEventSource source, std::optional<qint64> guidedSeconds) {
    beginTodayIfNeeded();
    ensureFreshCount();
    const qint64 before = count();
    const qint64 after = before < std::numeric_limits<qint64>::max() ? before + 1 : before;
    const QDateTime now = Clock::now();
    m_services.defaults->setInteger(m_row.profile.countKey, after);
    m_services.defaults->setDate(m_row.profile.countDateKey, now);
    removeNotifications();
    const qint64 interval = intervalMinutes();
    if (isEnabled()) {
        setNextReminderAt(now.addSecs(interval * 60));
        scheduleTimerIfNeeded();
    }
    StatsPayload payload{{u"countAfter"_s, after}, {u"intervalMinutes"_s, interval}};
    if (m_row.profile.recordsGuidedSeconds)
        payload.insert(u"guidedSeconds"_s, guidedSeconds.value_or(0));
    m_services.statsStore->record(m_row.profile.completedType, source, std::nullopt, payload, now);
    notifyStateChange();
}

void ReminderEngine::recordPromptShown(StatsEventSource source) {
    m_services.statsStore->record(m_row.profile.promptShownType, source, std::nullopt,
                                  {{u"intervalMinutes"_s, intervalMinutes()}}, Clock::now());
}

void ReminderEngine::reportReminderSkipped(StatsEventSource source) {
    m_services.statsStore->record(m_row.profile.skippedType, source, std::nullopt,
                                  {{u"intervalMinutes"_s, intervalMinutes()}}, Clock::now());
    Q_EMIT skipped(pick(m_row.copy.skipLines));
}

void ReminderEngine::snooze(StatsEventSource source) {
    const QDateTime now = Clock::now();
    m_services.statsStore->record(m_row.profile.snoozedType, source, std::nullopt,
                                  {{u"intervalMinutes"_s, intervalMinutes()}}, now);
    removeNotifications();
    if (isEnabled() && hasStartedToday()) {
        setNextReminderAt(now.addSecs(snoozeSeconds));
        scheduleTimerIfNeeded();
    }
    notifyStateChange();
}

void ReminderEngine::setResting(bool resting) {
    m_resting = resting;
    if (!resting)
        retryDeferredReminderAfterRest();
}

void ReminderEngine::setPaused(bool paused) {
    if (m_paused == paused)
        return;
    m_paused = paused;
    if (paused) {
        dropTimer();
        m_deferredReminderAfterRest = false;
    } else if (isEnabled() && hasStartedToday()) {
        const QDateTime now = Clock::now();
        const auto next = nextReminderAt();
        if (!next || *next <= now)
            setNextReminderAt(now.addSecs(intervalMinutes() * 60));
        scheduleTimerIfNeeded();
    }
    notifyStateChange();
}

ReminderText ReminderEngine::pickText() const {
    const qsizetype size = m_row.copy.reminders.size();
    return size ? ReminderRows::text(m_row.copy, QRandomGenerator::global()->bounded(qint64(size)))
                : ReminderText{};
}

QString ReminderEngine::loggedLine() const {
    return ReminderRows::loggedLine(pick(m_row.copy.loggedLines), count());
}

bool ReminderEngine::handleNotificationResponse(const NotificationResponse& response) {
    if (response.categoryIdentifier != m_row.profile.categoryIdentifier)
        return false;
    if (response.actionIdentifier == m_row.profile.confirmActionIdentifier) {
        recordCount(StatsEventSource::notification, std::nullopt);
        return true;
    }
    if (response.actionIdentifier == m_row.profile.snoozeActionIdentifier) {
        snooze(StatsEventSource::notification);
        return true;
    }
    if (response.actionIdentifier == NotificationCenter::dismissActionIdentifier) {
        reportReminderSkipped(StatsEventSource::notification);
        return true;
    }
    return false;
}

void ReminderEngine::handleResumeEvent() {
    if (!isEnabled())
        return;
    beginTodayIfNeeded();
    scheduleTimerIfNeeded();
    notifyStateChange();
}

void ReminderEngine::setEnabled(bool on) {
    m_services.defaults->setBoolean(m_row.profile.enabledKey, on);
    if (on) {
        beginTodayIfNeeded();
        scheduleTimerIfNeeded();
    } else {
        dropTimer();
        removeNotifications();
    }
    notifyStateChange();
}

void ReminderEngine::setInterval(qint64 minutes) {
    m_services.defaults->setInteger(m_row.profile.intervalKey, minutes);
    if (isEnabled() && hasStartedToday()) {
        setNextReminderAt(Clock::now().addSecs(effectiveInterval(minutes) * 60));
        scheduleTimerIfNeeded();
    }
    notifyStateChange();
}

void ReminderEngine::retryDeferredReminderAfterRest() {
    if (!m_deferredReminderAfterRest)
        return;
    m_deferredReminderAfterRest = false;
    if (isEnabled() && hasStartedToday()) {
        setNextReminderAt(Clock::now().addSecs(afterRestDelaySeconds));
        scheduleTimerIfNeeded();
        notifyStateChange();
    }
}

QString ReminderEngine::statusText() {
    ensureFreshDayState();
    ensureFreshCount();
    const QString n = QString::number(count());
    const auto next = nextReminderAt();
    qint64 remaining = 0;
    if (next) {
        const qint64 ms = Clock::now().msecsTo(*next);
        // Rounded up to a whole second.
        remaining = ms > 0 ? (ms + 999) / 1000 : -((-ms) / 1000);
        if (remaining <= 0)
            return m_row.copy.statusDue.arg(n);
    }
    if (!isEnabled())
        return m_row.copy.statusOff;
    if (!hasStartedToday())
        return m_row.copy.statusWaiting;
    if (!next)
        return m_row.copy.statusLoading.arg(n);
    return m_row.copy.statusScheduled.arg(n, formatRemaining(remaining));
}

QString ReminderEngine::formatRemaining(qint64 seconds) {
    seconds = std::max<qint64>(0, seconds);
    if (seconds < 3600)
        return u"%1:%2"_s.arg(seconds / 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return u"%1小时%2分"_s.arg(seconds / 3600).arg((seconds % 3600) / 60);
}
