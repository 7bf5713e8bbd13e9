#include "AppDelegate.h"

#include "RestWindow.h"
#include "ToviCopy.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/Screens.h"
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
    // Closing an alert or a report window never ends a tray program.
    QApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
    qApp->installEventFilter(this);
    if (m_services.screens)
        connect(m_services.screens, &Screens::changed, this, &AppDelegate::screensDidChange);
    createReminders();
}

AppDelegate::~AppDelegate() {
    closeRestWindows();
    delete m_statusMenu;
    delete m_mainMenu;
}

void AppDelegate::applicationDidFinishLaunching() {
    configureHydrationReminder();
    configurePelvicFloorReminder();
    configureReminderNotifications();
    loadRestModeConfiguration();
    configureMainMenuForTextEditing();
    configureStatusItem();
    setupMenu();
    startServices();
}

void AppDelegate::startServices() {
    if (m_servicesStarted)
        return;
    m_servicesStarted = true;
    startReminders();
    statsStore->record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, Clock::now());
    workSecondsRemaining = workDuration;
    updateStatusMenuTitle();
    setTransientStatus(ToviCopy::pick(ToviCopy::startupSigns()), 6.0);
    startMainTimer();
    prefetchWallpaperForCurrentThemeIfNeeded();
    showYesterdayReportPromptIfNeeded();
}

void AppDelegate::prefetchWallpaperForCurrentThemeIfNeeded() {
    if (m_services.wallpapers && RestThemes::selectedRawValue(*m_services.defaults) == u"wallpaper"_s)
        m_services.wallpapers->prefetchNextWallpaper();
}

void AppDelegate::quitApp() {
    isQuitting = true;
    stopReminders();
    closeRestWindows();
    QCoreApplication::quit();
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::Quit && !applicationShouldTerminate()) {
        Log::line(u"Tovi: 退出请求不是来自菜单，继续运行"_s);
        return true;
    }
    // The quit key works in Tovi's own windows, but neither ends a rest (only
    // a hold does) nor pulls the program from under a modal dialog.
    if (event->type() == QEvent::KeyPress &&
        QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination()) == quitKey() && !isResting &&
        !QApplication::activeModalWidget()) {
        quitApp();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
