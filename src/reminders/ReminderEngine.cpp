#include "ReminderEngine.h"

#include "platform/Alerts.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/WorkspaceEvents.h"
#include "stats/StatsStore.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

ReminderEngine::ReminderEngine(ReminderProfile profile, ReminderCopy copy, const ReminderServices& services,
                               QObject* parent)
    : QObject(parent)
    , m_profile(std::move(profile))
    , m_copy(std::move(copy))
    , m_services(services) {
    m_services.defaults->registerDefaults({
        {m_profile.enabledKey, true},
        {m_profile.intervalKey, m_profile.defaultIntervalMinutes},
    });
    if (m_services.notifications) {
        connect(m_services.notifications, &NotificationCenter::postFailed, this, [this](const QString& id) {
            // Its prompt was recorded when the post went out.
            if (id == m_profile.notificationIdentifier)
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
    return m_services.defaults->boolean(m_profile.enabledKey, true);
}

qint64 ReminderEngine::effectiveInterval(qint64 minutes) const {
    if (minutes < 1)
        return m_profile.defaultIntervalMinutes;
    return std::min(minutes, maximumIntervalMinutes);
}

qint64 ReminderEngine::intervalMinutes() const {
    return effectiveInterval(
        m_services.defaults->integer(m_profile.intervalKey, m_profile.defaultIntervalMinutes));
}

qint64 ReminderEngine::count() const {
    return std::max<qint64>(0, m_services.defaults->integer(m_profile.countKey, 0));
}

bool ReminderEngine::isToday(const std::optional<QDateTime>& moment) const {
    return moment && moment->toLocalTime().date() == Clock::now().toLocalTime().date();
}

bool ReminderEngine::hasStartedToday() const {
    return isToday(m_services.defaults->date(m_profile.dayStartedAtKey));
}

std::optional<QDateTime> ReminderEngine::nextReminderAt() const {
    return m_services.defaults->date(m_profile.nextReminderAtKey);
}

void ReminderEngine::setNextReminderAt(const QDateTime& moment) {
    m_services.defaults->setDate(m_profile.nextReminderAtKey, moment);
}

void ReminderEngine::notifyStateChange() {
    if (onStateChange)
        onStateChange();
}

void ReminderEngine::dropTimer() {
    delete m_reminderTimer;
    m_reminderTimer = nullptr;
}

void ReminderEngine::removeNotifications() {
    if (m_services.notifications)
        m_services.notifications->remove(m_profile.notificationIdentifier);
}

void ReminderEngine::ensureFreshDayState() {
    const auto started = m_services.defaults->date(m_profile.dayStartedAtKey);
    if (!started)
        return;
    if (!isToday(started)) {
        dropTimer();
        m_deferredReminderAfterRest = false;
        m_services.defaults->remove(m_profile.dayStartedAtKey);
        m_services.defaults->remove(m_profile.nextReminderAtKey);
        removeNotifications();
    }
    ensureFreshCount();
}

void ReminderEngine::ensureFreshCount() {
    if (isToday(m_services.defaults->date(m_profile.countDateKey)))
        return;
    m_services.defaults->setInteger(m_profile.countKey, 0);
}

void ReminderEngine::beginTodayIfNeeded() {
    ensureFreshDayState();
    if (hasStartedToday())
        return;
    const QDateTime now = Clock::now();
    m_services.defaults->setDate(m_profile.dayStartedAtKey, now);
    m_services.defaults->setInteger(m_profile.countKey, 0);
    m_services.defaults->setDate(m_profile.countDateKey, now);
    setNextReminderAt(now.addSecs(intervalMinutes() * 60));
    scheduleTimerIfNeeded();
}

void ReminderEngine::scheduleTimerIfNeeded() {
    dropTimer();
    const auto next = nextReminderAt();
    if (!isEnabled() || !hasStartedToday() || !next)
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
    if (!isEnabled() || !hasStartedToday()) {
        notifyStateChange();
        return;
    }
    const QDateTime now = Clock::now();
    QDateTime next;
    if (shouldDeferReminder && shouldDeferReminder()) {
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
    const ReminderText text = m_copy.pickReminder();
    m_services.notifications->post(
        {m_profile.notificationIdentifier, m_profile.categoryIdentifier, text.title, text.body, true});
}

bool ReminderEngine::showReminderAlert(StatsEventSource source, bool recordPrompt) {
    if (m_alertOpen || !m_services.alerts || m_stopped)
        return false;
    if (recordPrompt)
        recordPromptShown(source);
    const ReminderText text = m_copy.pickReminder();
    AlertRequest request;
    request.style = AlertRequest::Style::Informational;
    request.messageText = text.title;
    request.informativeText = text.body;
    request.buttons = {m_copy.confirmButton, m_copy.skipButton};
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
    reportReminderSkipped(source);
    return false;
}

void ReminderEngine::recordCount(StatsEventSource source, std::optional<qint64> guidedSeconds) {
    beginTodayIfNeeded();
    ensureFreshCount();
    const qint64 before = count();
    const qint64 after = before < std::numeric_limits<qint64>::max() ? before + 1 : before;
    const QDateTime now = Clock::now();
    m_services.defaults->setInteger(m_profile.countKey, after);
    m_services.defaults->setDate(m_profile.countDateKey, now);
    removeNotifications();
    const qint64 interval = intervalMinutes();
    if (isEnabled()) {
        setNextReminderAt(now.addSecs(interval * 60));
        scheduleTimerIfNeeded();
    }
    StatsPayload payload{{u"countAfter"_s, after}, {u"intervalMinutes"_s, interval}};
    if (m_profile.recordsGuidedSeconds)
        payload.insert(u"guidedSeconds"_s, guidedSeconds.value_or(0));
    m_services.statsStore->record(m_profile.completedType, source, std::nullopt, payload, now);
    notifyStateChange();
}

void ReminderEngine::recordPromptShown(StatsEventSource source) {
    m_services.statsStore->record(m_profile.promptShownType, source, std::nullopt,
                                  {{u"intervalMinutes"_s, intervalMinutes()}}, Clock::now());
}

void ReminderEngine::reportReminderSkipped(StatsEventSource source) {
    m_services.statsStore->record(m_profile.skippedType, source, std::nullopt,
                                  {{u"intervalMinutes"_s, intervalMinutes()}}, Clock::now());
    if (onReminderSkipped)
        onReminderSkipped(m_copy.pickSkipLine());
}

bool ReminderEngine::handleNotificationResponse(const NotificationResponse& response) {
    if (response.categoryIdentifier != m_profile.categoryIdentifier)
        return false;
    if (response.actionIdentifier == m_profile.confirmActionIdentifier) {
        recordCount(StatsEventSource::notification, std::nullopt);
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
    m_services.defaults->setBoolean(m_profile.enabledKey, on);
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
    m_services.defaults->setInteger(m_profile.intervalKey, minutes);
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
            return m_copy.statusDue.arg(n);
    }
    if (!isEnabled())
        return m_copy.statusOff;
    if (!hasStartedToday())
        return m_copy.statusWaiting;
    if (!next)
        return m_copy.statusLoading.arg(n);
    return m_copy.statusScheduled.arg(n, formatRemaining(remaining));
}

QString ReminderEngine::formatRemaining(qint64 seconds) {
    seconds = std::max<qint64>(0, seconds);
    if (seconds < 3600)
        return u"%1:%2"_s.arg(seconds / 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return u"%1小时%2分"_s.arg(seconds / 3600).arg((seconds % 3600) / 60);
}
