#include "AppDelegate.h"

#include "RestWindow.h"
#include "ToviCopy.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/Screens.h"
#include "reminders/HydrationReminderManager.h"
#include "reminders/PelvicFloorReminderManager.h"
#include "rest/RestView.h"
#include "stats/StatsStore.h"
#include "themes/RestTheme.h"
#include "themes/WallpaperManager.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QUuid>
#include <algorithm>

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
    if (isResting) {
        if (restSecondsRemaining < 1)
            stopRest();
        else
            --restSecondsRemaining;
    } else if (workSecondsRemaining >= 1) {
        --workSecondsRemaining;
        updateStatusMenuTitle();
        prefetchWallpaperNearRestIfNeeded();
    } else {
        startRest(StatsEventSource::scheduled);
    }
    updateReminderCountdownMenuTitles();
}

void AppDelegate::triggerRestNow() {
    if (!isResting)
        startRest(StatsEventSource::manual);
}

StatsPayload AppDelegate::restStatsPayload(qint64 actualSeconds, qint64 skippedSeconds) const {
    return {
        {u"plannedSeconds"_s, currentRestDuration},
        {u"actualSeconds"_s, actualSeconds},
        {u"skippedSeconds"_s, skippedSeconds},
        {u"workDurationSeconds"_s, workDuration},
        {u"theme"_s, RestThemes::selectedRawValue(*m_services.defaults)},
    };
}

void AppDelegate::startRest(StatsEventSource source) {
    if (isResting)
        return;
    isResting = true;
    currentRestDuration = restDuration;
    restSecondsRemaining = restDuration;
    setStatusLine(ToviCopy::restStatusLine());
    currentRestSessionId = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    currentRestSource = source;
    statsStore->record(StatsEventType::restStarted, source, currentRestSessionId, restStatsPayload(0, 0),
                       Clock::now());
    m_ultramanSubtitle = ToviCopy::pick(ToviCopy::ultramanSubtitles());
    layOutRestWindows();
    // Covering every screen from a stay-on-top full-screen window is what
    // hides the panels; the last screen's window ends up with the keyboard.
    for (RestWindow* window : std::as_const(restWindows))
        window->makeKeyAndOrderFront();
}

RestView* AppDelegate::makeRestView() {
    QPointer<AppDelegate> self(this);
    return new RestView(
        currentRestDuration, [self] { return self ? self->restSecondsRemaining : 0; }, m_ultramanSubtitle,
        [self](const QString& message) {
            if (self)
                self->stopRest(message);
        },
        *m_services.defaults);
}

void AppDelegate::layOutRestWindows() {
    const QList<ScreenInfo> screens =
        m_services.screens ? m_services.screens->screens() : QList<ScreenInfo>();
    if (!restWindows.isEmpty() && restWindows.size() == screens.size()) {
        Log::line(u"Tovi: Reusing existing rest windows"_s);
        for (qsizetype i = 0; i < screens.size(); ++i) {
            RestWindow* window = restWindows.at(i);
            window->setFrame(screens.at(i));
            window->setContentView(makeRestView());
        }
        return;
    }
    Log::line(u"Tovi: Recreating rest windows"_s);
    closeRestWindows();
    for (const ScreenInfo& screen : screens) {
        auto* window = new RestWindow(screen);
        window->setContentView(makeRestView());
        window->setFrame(screen);
        restWindows.append(window);
    }
}

// Screens that come or go during a rest are covered or let go at once; a
// window stays with its screen, so a hold in progress on it carries on.
void AppDelegate::screensDidChange() {
    QPointer<AppDelegate> self(this);
    // The toolkit finishes moving windows off a removed screen first.
    QTimer::singleShot(0, this, [self] {
        if (!self || !self->isResting)
            return;
        const QList<ScreenInfo> screens = self->m_services.screens->screens();
        Log::line(u"Tovi: Screens changed during a rest, rearranging rest windows"_s);
        QList<RestWindow*> left = self->restWindows;
        QList<RestWindow*> arranged;
        for (const ScreenInfo& screen : screens) {
            const auto same = std::find_if(left.begin(), left.end(), [&](RestWindow* window) {
                return window->screenInfo().name == screen.name;
            });
            RestWindow* window = nullptr;
            if (same != left.end()) {
                window = *same;
                left.erase(same);
            } else {
                window = new RestWindow(screen);
                window->setContentView(self->makeRestView());
            }
            window->setFrame(screen);
            window->makeKeyAndOrderFront();
            arranged.append(window);
        }
        for (RestWindow* gone : std::as_const(left)) {
            gone->orderOut();
            gone->deleteLater();
        }
        self->restWindows = arranged;
    });
}

void AppDelegate::stopRest(const std::optional<QString>& skipMessage) {
    if (!isResting)
        return;
    const qint64 remaining = std::max<qint64>(restSecondsRemaining, 0);
    const qint64 actual = std::max<qint64>(currentRestDuration - remaining, 0);
    statsStore->record(skipMessage ? StatsEventType::restSkipped : StatsEventType::restCompleted,
                       currentRestSource, currentRestSessionId,
                       restStatsPayload(actual, skipMessage ? remaining : 0), Clock::now());
    currentRestSessionId.reset();
    for (RestWindow* window : std::as_const(restWindows))
        window->orderOut();
    isResting = false;
    workSecondsRemaining = workDuration;
    updateStatusMenuTitle();
    setTransientStatus(skipMessage ? *skipMessage : ToviCopy::pick(ToviCopy::restCompleteLines()), 5.0);
    retryDeferredRemindersAfterRest();
}

void AppDelegate::closeRestWindows() {
    for (RestWindow* window : std::as_const(restWindows)) {
        window->orderOut();
        delete window;
    }
    restWindows.clear();
}

void AppDelegate::updateStatusMenuTitle() {
    // The rest's own line stays until the rest ends, whatever changes meanwhile.
    if (isResting)
        return;
    if (transientStatusMessage) {
        if (transientStatusExpiresAt && *transientStatusExpiresAt > Clock::now()) {
            setStatusLine(*transientStatusMessage);
            return;
        }
        transientStatusMessage.reset();
        transientStatusExpiresAt.reset();
    }
    const qint64 minutes = workSecondsRemaining / 60;
    const qint64 seconds = workSecondsRemaining % 60;
    const QString countdown =
        u"%1:%2"_s.arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds, 2, 10, QLatin1Char('0'));
    const QStringList& templates = ToviCopy::workCountdownTemplates();
    QString line = templates.at(int(minutes % templates.size()));
    setStatusLine(line.replace(u"%@"_s, countdown));
}

void AppDelegate::setTransientStatus(const QString& message, double durationSeconds) {
    transientStatusMessage = message;
    transientStatusExpiresAt = Clock::now().addMSecs(qint64(durationSeconds * 1000));
    setStatusLine(message);
}

void AppDelegate::prefetchWallpaperNearRestIfNeeded() {
    if (workSecondsRemaining == 60 && m_services.wallpapers &&
        RestThemes::selectedRawValue(*m_services.defaults) == u"wallpaper"_s)
        m_services.wallpapers->prefetchNextWallpaper();
}

void AppDelegate::updateReminderCountdownMenuTitles() {
    if (!menuShowsChanges())
        return;
    if (hydrationStatusMenuItem && hydrationReminderManager)
        hydrationStatusMenuItem->setText(hydrationReminderManager->statusText());
    if (pelvicFloorStatusMenuItem && pelvicFloorReminderManager)
        pelvicFloorStatusMenuItem->setText(pelvicFloorReminderManager->statusText());
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
