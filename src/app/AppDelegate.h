#pragma once

#include "RestMode.h"
#include "stats/StatsEvent.h"

#include <QDateTime>
#include <QKeySequence>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <optional>

class Alerts;
class Defaults;
class HydrationReminderManager;
class NotificationCenter;
class PelvicFloorReminderManager;
class ReminderEngine;
class ReminderMenuSection;
class ReminderNotificationRouter;
class ReminderSkipFeedbackPresenter;
class TrayHosts;
class WorkspaceEvents;
class LoginItemService;
class QTextBrowser;
class QTextDocument;
struct NumberField;
class QAction;
class QMenu;
class QMenuBar;
class QSystemTrayIcon;
class QTimer;
class QWidget;
class RestCycle;
class RestOverlay;
class RestView;
class RestWindow;
class ThemeSetting;
class Screens;
class StatsStore;
struct StatsReportScope;
class WallpaperManager;

// The desktop services AppDelegate works through; main.cpp hands in the real
// ones, tests hand in fakes. None is owned.
struct AppServices {
    Defaults* defaults = nullptr;
    Alerts* alerts = nullptr;
    Screens* screens = nullptr;
    StatsStore* statsStore = nullptr;
    LoginItemService* loginItems = nullptr;
    NotificationCenter* notifications = nullptr;
    WorkspaceEvents* workspaceEvents = nullptr;
    WallpaperManager* wallpapers = nullptr;
    // None: the icon is made at once, whatever tray there is.
    TrayHosts* trayHosts = nullptr;
};

// The one application object: owns the status item, the menus, the timers and
// all rest-cycle state. Its areas live in AppDelegate+<Area>.cpp.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(const AppServices& services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // --- launch and quit
    void applicationDidFinishLaunching();
    // True when the toolkit may end the process now: only after quitApp.
    bool applicationShouldTerminate() const { return m_isQuitting; }
    static constexpr bool applicationShouldTerminateAfterLastWindowClosed() { return false; }
    void quitApp();

    // --- launch steps, in order
    void configureHydrationReminder();
    void configurePelvicFloorReminder();
    void configureReminderNotifications();
    void loadRestModeConfiguration();
    void configureMainMenuForTextEditing();
    // Ctrl+Q on every desktop, whatever its own key scheme says.
    static QKeySequence quitKey() { return QKeySequence(Qt::CTRL | Qt::Key_Q); }
    void configureStatusItem();
    void createStatusItem();
    void setupMenu();
    void startServices();
    void prefetchWallpaperForCurrentThemeIfNeeded();
    void showYesterdayReportPromptIfNeeded();
    // The offer itself, which showYesterdayReportPromptIfNeeded runs a second after launch.
    void offerYesterdayReportIfNeeded();

    // --- rest modes
    std::optional<RestMode> savedCustomRestMode() const;
    void selectMode(qint64 tag);
    // Stores a custom mode the dialog validated and switches to it.
    void saveCustomRestMode(qint64 workMinutes, qint64 restSeconds);
    void updateRestModeMenuItems();

    // --- rest timer
    void startMainTimer();
    void tick();
    void triggerRestNow();
    void startRest(StatsEventSource source);
    void stopRest(const std::optional<QString>& skipMessage = std::nullopt);
    void retryDeferredRemindersAfterRest();
    void updateStatusMenuTitle();
    void setTransientStatus(const QString& message, double durationSeconds);
    void prefetchWallpaperNearRestIfNeeded();
    void updateReminderCountdownMenuTitles();

    // --- status menu
    // What an entry does; refreshDynamicState reads it to know which mark it shows.
    enum class MenuCommand {
        none,
        selectTheme,
        selectMode,
    };
    static MenuCommand commandOf(const QAction* entry);
    void menuWillOpen(QMenu* menu);
    void refreshDynamicState(QAction* entry);
    void selectTheme(QAction* entry);
    void toggleHydrationReminder();
    void togglePelvicFloorReminder();
    void selectHydrationInterval(qint64 minutes);
    void selectPelvicFloorInterval(qint64 minutes);
    void recordHydrationDrink();
    void recordPelvicFloorCompletion();
    void showTodayReport();
    void showThisWeekReport();
    void showThisMonthReport();
    static QString menuHeaderTitle();

    // --- reports
    // A new window each time; the latest is held, earlier ones stay until closed.
    void openReport(const StatsReportScope& scope);
    QWidget* statsReportWindow() const;

    // --- input dialogs
    // Runs a form of number fields; the values when applied and valid. Invalid
    // input shows `showInvalid` and gives nothing, as does cancelling.
    std::optional<QList<qint64>> runNumberDialog(const QString& message, const QString& informative,
                                                 const QList<NumberField>& fields,
                                                 void (AppDelegate::*showInvalid)());
    void showCustomRestModeDialog();
    void showHydrationIntervalDialog();
    void showPelvicFloorIntervalDialog();
    void showInvalidCustomRestModeAlert();
    void showInvalidHydrationIntervalAlert();
    void showInvalidPelvicFloorIntervalAlert();

    // --- reminders
    void createReminders();
    void startReminders();
    void stopReminders();
    void updateHydrationMenuItems();
    void updatePelvicFloorMenuItems();

    // --- launch at login, about
    void toggleLaunchAtLogin();
    void showLaunchAtLoginAlert(const QString& message);
    void showAbout();
    static void fillAboutNotes(QTextDocument* document);
    static QTextBrowser* makeAboutAccessory();

    // --- what tests and the status line read
    const RestCycle& restCycle() const { return *m_cycle; }
    bool isResting() const;
    const QList<RestWindow*>& restWindows() const;
    qint64 selectedRestModeTag() const { return m_selectedRestModeTag; }
    // The status menu's live line.
    QString statusLine() const;
    static QString workCountdownLine(qint64 secondsLeft);
    HydrationReminderManager* hydrationReminders() const { return hydrationReminderManager; }
    PelvicFloorReminderManager* pelvicFloorReminders() const { return pelvicFloorReminderManager; }
    ReminderNotificationRouter* notificationRouter() const { return reminderNotificationRouter; }
    ReminderSkipFeedbackPresenter* skipFeedbackPresenter() const { return reminderSkipFeedbackPresenter; }

    QMenu* statusMenu() const { return m_statusMenu; }
    QMenuBar* mainMenu() const { return m_mainMenu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showIntervalDialog(ReminderMenuSection* section);
    static constexpr qint64 defaultRestModeTag = RestModes::defaultTag;
    static constexpr qint64 customRestModeTag = RestModes::customTag;
    const QList<RestMode>& restModePresets = RestModes::presets();

    QSystemTrayIcon* statusItem = nullptr;
    QAction* statusMenuItem = nullptr;
    QAction* launchAtLoginItem = nullptr;
    QAction* restModeSummaryMenuItem = nullptr;
    QAction* customRestModeMenuItem = nullptr;
    QMap<qint64, QAction*> modeMenuItems;

    qint64 m_selectedRestModeTag = defaultRestModeTag;
    bool m_isQuitting = false;
    std::optional<QString> transientStatusMessage;
    std::optional<QDateTime> transientStatusExpiresAt;
    QTimer* mainTimer = nullptr;

    HydrationReminderManager* hydrationReminderManager = nullptr;
    PelvicFloorReminderManager* pelvicFloorReminderManager = nullptr;
    ReminderNotificationRouter* reminderNotificationRouter = nullptr;
    ReminderSkipFeedbackPresenter* reminderSkipFeedbackPresenter = nullptr;
    ReminderMenuSection* m_hydrationSection = nullptr;
    ReminderMenuSection* m_pelvicFloorSection = nullptr;

    StatsStore* const statsStore;
    ThemeSetting* m_themes = nullptr;
    RestCycle* m_cycle = nullptr;
    RestOverlay* m_overlay = nullptr;

    QMenu* makeRestModeSubMenu();
    QMenu* makeThemeSubMenu();
    QMenu* makeReportSubMenu();
    QAction* addCommand(QMenu* menu, const QString& title, void (AppDelegate::*action)());

    void popUpStatusMenu();
    void setStatusLine(const QString& text);
    bool menuShowsChanges();
    void select(const RestMode& mode);
    RestView* makeRestView();
    void restStarted();
    void restEnded(const std::optional<QString>& skipMessage);
    void workSecondsChanged();

    AppServices m_services;
    QMenu* m_statusMenu = nullptr;
    QMenuBar* m_mainMenu = nullptr;
    bool m_servicesStarted = false;
    std::optional<QDateTime> m_statusMenuOpenedAt;
    QString m_statusLine;
    QString m_ultramanSubtitle;
    QPointer<QWidget> m_statsReportWindow;
};
