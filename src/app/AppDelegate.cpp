#include "AppDelegate.h"

#include "Commands.h"
#include "ReminderNotificationRouter.h"
#include "RestHeadsUp.h"
#include "ToviCopy.h"
#include "TrayMenu.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "reminders/ReminderEngine.h"
#include "rest/RestCycle.h"
#include "rest/RestGate.h"
#include "rest/RestOverlay.h"
#include "stats/StatsStore.h"
#include "themes/RestTheme.h"
#include "themes/WallpaperManager.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QTimer>

using namespace Qt::StringLiterals;

AppDelegate::AppDelegate(const AppServices& services, QObject* parent)
    : QObject(parent)
    , statsStore(services.statsStore)
    , m_services(services) {
    m_themes = new ThemeSetting(*services.defaults, this);
    if (WallpaperManager* wallpapers = services.wallpapers)
        connect(m_themes, &ThemeSetting::changed, wallpapers, [wallpapers](RestTheme theme) {
            if (!RestThemes::info(theme).showsWallpaper)
                wallpapers->release();
        });
    m_cycle = new RestCycle(
        statsStore, [themes = m_themes] { return themes->storedRawValue(); }, this);
    connect(m_cycle, &RestCycle::workSecondsChanged, this, &AppDelegate::workSecondsChanged);
    connect(m_cycle, &RestCycle::restStarted, this, &AppDelegate::restStarted);
    connect(m_cycle, &RestCycle::restEnded, this, &AppDelegate::restEnded);
    m_gate = new RestGate(m_cycle, services.busy, services.idle, services.workspaceEvents, this);
    connect(m_gate, &RestGate::waitingChanged, this, &AppDelegate::updateStatusMenuTitle);
    connect(m_gate, &RestGate::naturalRestRecorded, this,
            [this] { setTransientStatus(ToviCopy::naturalRestLine(), 5.0); });
    m_overlay = new RestOverlay(
        services.screens, [this] { return makeRestView(); }, services.motion, this);
    // Closing an alert or a report window never ends a tray program.
    QApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
    qApp->installEventFilter(this);
    createReminders();

    m_commands =
        new Commands(m_cycle, m_gate, m_reminders, services.defaults, services.workspaceEvents, this);
    m_headsUp = new RestHeadsUp(services.notifications, m_gate, m_commands, this);
    reminderNotificationRouter->actionHandlers
        << [this](const NotificationResponse& response) { return m_headsUp->handle(response); };
    connect(m_commands, &Commands::stateChanged, this, &AppDelegate::updateStatusMenuTitle);
    connect(m_commands, &Commands::reportRequested, this, &AppDelegate::openReport);
    connect(m_commands, &Commands::said, this,
            [this](const QString& line) { setTransientStatus(line, 5.0); });

    m_trayMenu = new TrayMenu(m_commands, m_themes, services.loginItems, this);
    connect(m_trayMenu, &TrayMenu::restModeSelected, this, &AppDelegate::selectMode);
    connect(m_trayMenu, &TrayMenu::customRestModeDialogRequested, this,
            &AppDelegate::showCustomRestModeDialog);
    connect(m_trayMenu, &TrayMenu::themeSelected, this,
            &AppDelegate::prefetchWallpaperForCurrentThemeIfNeeded);
    connect(m_trayMenu, &TrayMenu::intervalDialogRequested, this, &AppDelegate::showIntervalDialog);
    connect(m_trayMenu, &TrayMenu::launchAtLoginToggled, this, &AppDelegate::toggleLaunchAtLogin);
    connect(m_trayMenu, &TrayMenu::aboutRequested, this, &AppDelegate::showAbout);
    connect(m_trayMenu, &TrayMenu::quitRequested, this, &AppDelegate::quitApp);
}

AppDelegate::~AppDelegate() {
    m_overlay->close();
    delete m_mainMenu;
}

void AppDelegate::applicationDidFinishLaunching() {
    configureReminderNotifications();
    loadRestModeConfiguration();
    configureMainMenuForTextEditing();
    m_trayMenu->build(m_services.trayHosts);
    startServices();
}

QMenu* AppDelegate::statusMenu() const {
    return m_trayMenu->menu();
}

void AppDelegate::startServices() {
    if (m_servicesStarted)
        return;
    m_servicesStarted = true;
    startReminders();
    statsStore->record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, Clock::now());
    m_cycle->restartWork();
    m_commands->restorePause();
    updateStatusMenuTitle();
    setTransientStatus(ToviCopy::pick(ToviCopy::startupSigns()), 6.0);
    startMainTimer();
    prefetchWallpaperForCurrentThemeIfNeeded();
    showYesterdayReportPromptIfNeeded();
}

// Only for a rest at most a minute away: before that, the photo and the
// network stack would only sit in memory.
void AppDelegate::prefetchWallpaperForCurrentThemeIfNeeded() {
    if (m_services.wallpapers && RestThemes::info(m_themes->current()).showsWallpaper &&
        m_cycle->workSecondsRemaining() <= 60)
        m_services.wallpapers->prefetchNextWallpaper();
}

void AppDelegate::quitApp() {
    m_isQuitting = true;
    stopReminders();
    m_overlay->close();
    QCoreApplication::quit();
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::Quit && !applicationShouldTerminate()) {
        Log::line(u"Tovi: 退出请求不是来自菜单，继续运行"_s);
        return true;
    }
    // The quit key works in Tovi's own windows, a rest's included: there the
    // menu cannot be reached. It does not pull the program from under a modal dialog.
    if (event->type() == QEvent::KeyPress &&
        QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination()) == quitKey() &&
        !QApplication::activeModalWidget()) {
        // Later: the window the key went to is closed by the quit.
        QMetaObject::invokeMethod(this, &AppDelegate::quitApp, Qt::QueuedConnection);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
