#include "AppDelegate.h"
#include "BusInterface.h"
#include "cli/CommandLine.h"
#include "platform/Alerts.h"
#include "platform/AppInfo.h"
#include "platform/Defaults.h"
#include "platform/DesktopBusyState.h"
#include "platform/DesktopIdleWatch.h"
#include "platform/DesktopMotionPreference.h"
#include "platform/Directories.h"
#include "platform/InstanceLock.h"
#include "platform/Log.h"
#include "platform/LoginItemService.h"
#include "platform/NotificationCenter.h"
#include "platform/Screens.h"
#include "platform/TerminationSignals.h"
#include "platform/TrayHosts.h"
#include "platform/WorkspaceEvents.h"
#include "stats/StatsStore.h"
#include "themes/WallpaperManager.h"

#include <QApplication>
#include <QTimer>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    // A verb talks to the running Tovi and exits, before anything of the tray program exists.
    if (CommandLine::wanted(argc, argv))
        return CommandLine::main(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Tovi"_s);
    QApplication::setApplicationVersion(AppInfo::version());
    QApplication::setDesktopFileName(AppInfo::id());

    // Before anything can write: a second instance would double every event.
    InstanceLock lock(Directories::runtime());
    if (!lock.tryLock()) {
        Log::line(u"Tovi: 已经在运行了，不再启动第二个"_s);
        return 0;
    }

    Defaults defaults;
    MessageBoxAlerts alerts;
    QtScreens screens;
    XdgAutostartLoginItem loginItems(XdgAutostartLoginItem::standardEntryPath(),
                                     QCoreApplication::applicationFilePath());
    DBusNotificationCenter notifications;
    DBusWorkspaceEvents workspaceEvents;
    WallpaperManager wallpapers(WallpaperSource::production());
    DesktopTrayHosts trayHosts;
    DesktopBusyState busy;
    DesktopIdleWatch idle;
    DesktopMotionPreference motion;
    AppDelegate delegate({&defaults, &alerts, &screens, &StatsStore::shared(), &loginItems, &notifications,
                          &workspaceEvents, &wallpapers, &trayHosts, &busy, &idle, &motion});
    // The command line's way in; the instance lock above already keeps a second Tovi out.
    BusInterface bus(&delegate.commands());
    if (!bus.registerOn(QDBusConnection::sessionBus()))
        Log::line(u"Tovi: 会话总线上的名字已被占用或没有会话总线，命令行控制不可用"_s);
    // At login the panel may start after us: only a tray still missing then is worth a word.
    QTimer::singleShot(std::chrono::seconds(5), &trayHosts,
                       [&trayHosts, &notifications] { trayHosts.sayOnceIfMissing(&notifications); });

    // The desktop ending us (logout, kill, Ctrl+C) gets the same clean shutdown
    // as the quit command.
    TerminationSignals terminations;
    QObject::connect(&terminations, &TerminationSignals::terminationRequested, &delegate,
                     &AppDelegate::quitApp);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate, &AppDelegate::quitApp);

    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    const int status = QApplication::exec();
    defaults.sync();
    return status;
}
