#include "AppDelegate.h"

#include "ReminderMenuSection.h"
#include "ToviCopy.h"
#include "platform/Clock.h"
#include "rest/RestCycle.h"
#include "rest/RestOverlay.h"
#include "rest/RestView.h"
#include "themes/RestTheme.h"
#include "themes/WallpaperManager.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTimer>

using namespace Qt::StringLiterals;

void AppDelegate::startMainTimer() {
    delete mainTimer;
    mainTimer = new QTimer(this);
    mainTimer->setInterval(1000);
    // Coarse: a tray countdown needs no precision, and the kernel may batch us.
    mainTimer->setTimerType(Qt::CoarseTimer);
    connect(mainTimer, &QTimer::timeout, this, &AppDelegate::tick);
    mainTimer->start();
}

void AppDelegate::tick() {
    m_cycle->tick();
    updateReminderCountdownMenuTitles();
}

void AppDelegate::triggerRestNow() {
    m_cycle->startRest(StatsEventSource::manual);
}

void AppDelegate::startRest(StatsEventSource source) {
    m_cycle->startRest(source);
}

void AppDelegate::stopRest(const std::optional<QString>& skipMessage) {
    m_cycle->stopRest(skipMessage);
}

bool AppDelegate::isResting() const {
    return m_cycle->isResting();
}

const QList<RestWindow*>& AppDelegate::restWindows() const {
    return m_overlay->windows();
}

void AppDelegate::workSecondsChanged() {
    updateStatusMenuTitle();
    prefetchWallpaperNearRestIfNeeded();
}

void AppDelegate::restStarted() {
    setStatusLine(ToviCopy::restStatusLine());
    m_ultramanSubtitle = ToviCopy::pick(ToviCopy::ultramanSubtitles());
    m_overlay->show();
}

void AppDelegate::restEnded(const std::optional<QString>& skipMessage) {
    m_overlay->hide();
    updateStatusMenuTitle();
    setTransientStatus(skipMessage ? *skipMessage : ToviCopy::pick(ToviCopy::restCompleteLines()), 5.0);
    retryDeferredRemindersAfterRest();
}

RestView* AppDelegate::makeRestView() {
    QPointer<RestCycle> cycle(m_cycle);
    QPointer<AppDelegate> self(this);
    return new RestView(
        m_cycle->currentRestDuration(), [cycle] { return cycle ? cycle->restSecondsRemaining() : 0; },
        m_ultramanSubtitle,
        [self](const QString& message) {
            if (self)
                self->stopRest(message);
        },
        *m_themes, m_services.wallpapers);
}

QString AppDelegate::workCountdownLine(qint64 secondsLeft) {
    const qint64 minutes = secondsLeft / 60;
    const qint64 seconds = secondsLeft % 60;
    const QString countdown =
        u"%1:%2"_s.arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds, 2, 10, QLatin1Char('0'));
    const QStringList& templates = ToviCopy::workCountdownTemplates();
    QString line = templates.at(int(minutes % templates.size()));
    return line.replace(u"%@"_s, countdown);
}

void AppDelegate::updateStatusMenuTitle() {
    // The rest's own line stays until the rest ends, whatever changes meanwhile.
    if (isResting())
        return;
    if (transientStatusMessage) {
        if (transientStatusExpiresAt && *transientStatusExpiresAt > Clock::now()) {
            setStatusLine(*transientStatusMessage);
            return;
        }
        transientStatusMessage.reset();
        transientStatusExpiresAt.reset();
    }
    setStatusLine(workCountdownLine(m_cycle->workSecondsRemaining()));
}

void AppDelegate::setTransientStatus(const QString& message, double durationSeconds) {
    transientStatusMessage = message;
    transientStatusExpiresAt = Clock::now().addMSecs(qint64(durationSeconds * 1000));
    setStatusLine(message);
}

void AppDelegate::prefetchWallpaperNearRestIfNeeded() {
    if (m_cycle->workSecondsRemaining() == 60)
        prefetchWallpaperForCurrentThemeIfNeeded();
}

void AppDelegate::updateReminderCountdownMenuTitles() {
    if (!menuShowsChanges())
        return;
    m_hydrationSection->refreshStatus();
    m_pelvicFloorSection->refreshStatus();
}

QString AppDelegate::statusLine() const {
    return m_statusLine;
}

void AppDelegate::setStatusLine(const QString& text) {
    m_statusLine = text;
    if (statusMenuItem && statusMenuItem->text() != text && menuShowsChanges())
        statusMenuItem->setText(text);
}

bool AppDelegate::menuShowsChanges() {
    // A menu exported over D-Bus sends every change to the tray host; while it
    // is closed that cost three wake-ups a second, for nobody. Some hosts never
    // say the menu closed: a minute after it opened it counts as closed.
    if (!m_statusMenu || !m_statusMenu->platformMenu() || m_statusMenu->isVisible())
        return true;
    return m_statusMenuOpenedAt && Clock::now() < m_statusMenuOpenedAt->addSecs(60);
}
