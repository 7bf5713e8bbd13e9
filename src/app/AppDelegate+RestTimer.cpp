#include "AppDelegate.h"

#include "Commands.h"
#include "ToviCopy.h"
#include "TrayMenu.h"
#include "platform/Clock.h"
#include "rest/RestCycle.h"
#include "rest/RestGate.h"
#include "rest/RestOverlay.h"
#include "rest/RestView.h"
#include "themes/RestTheme.h"
#include "themes/WallpaperManager.h"

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
    m_commands->tick();
    // A paused countdown does not move; the line still ends a passing message.
    if (m_commands->state() == Commands::State::paused)
        updateStatusMenuTitle();
    m_trayMenu->refreshTray();
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
    m_trayMenu->setStatusLine(ToviCopy::restStatusLine());
    m_ultramanSubtitle = ToviCopy::pick(ToviCopy::ultramanSubtitles());
    m_overlay->show();
}

void AppDelegate::restEnded(const std::optional<QString>& skipMessage) {
    m_overlay->hide();
    updateStatusMenuTitle();
    setTransientStatus(skipMessage ? *skipMessage : ToviCopy::pick(ToviCopy::restCompleteLines()), 5.0);
}

RestView* AppDelegate::makeRestView() {
    QPointer<RestCycle> cycle(m_cycle);
    return new RestView(
        m_cycle->currentRestDuration(), [cycle] { return cycle ? cycle->restSecondsRemaining() : 0; },
        m_ultramanSubtitle,
        [cycle](const QString& message) {
            if (cycle)
                cycle->stopRest(message);
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
            m_trayMenu->setStatusLine(*transientStatusMessage);
            return;
        }
        transientStatusMessage.reset();
        transientStatusExpiresAt.reset();
    }
    if (const auto until = m_commands->pausedUntil())
        m_trayMenu->setStatusLine(ToviCopy::pausedStatusLine(*until, Clock::now()));
    else if (m_gate->waitingFor() != RestGate::Wait::none)
        m_trayMenu->setStatusLine(ToviCopy::waitingStatusLine(m_gate->waitingFor()));
    else
        m_trayMenu->setStatusLine(workCountdownLine(m_cycle->workSecondsRemaining()));
}

void AppDelegate::setTransientStatus(const QString& message, double durationSeconds) {
    transientStatusMessage = message;
    transientStatusExpiresAt = Clock::now().addMSecs(qint64(durationSeconds * 1000));
    m_trayMenu->setStatusLine(message);
}

void AppDelegate::prefetchWallpaperNearRestIfNeeded() {
    if (m_cycle->workSecondsRemaining() == 60)
        prefetchWallpaperForCurrentThemeIfNeeded();
}

QString AppDelegate::statusLine() const {
    return m_trayMenu->statusLine();
}
