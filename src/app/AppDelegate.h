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
class RestView;
class RestWindow;
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
    bool applicationShouldTerminate() const { return isQuitting; }
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
    StatsPayload restStatsPayload(qint64 actualSeconds, qint64 skippedSeconds) const;
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
        toggleHydrationReminder,
        selectHydrationInterval,
        togglePelvicFloorReminder,
        selectPelvicFloorInterval,
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

    // --- fields
    static constexpr qint64 defaultRestModeTag = RestModes::defaultTag;
    static constexpr qint64 customRestModeTag = RestModes::customTag;
    const QList<RestMode>& restModePresets = RestModes::presets();
    const QList<qint64> hydrationIntervalPresets{30, 45, 60, 90};
    const QList<qint64> pelvicFloorIntervalPresets{30, 60, 90, 120};

    QSystemTrayIcon* statusItem = nullptr;
    QAction* statusMenuItem = nullptr;
    QAction* launchAtLoginItem = nullptr;
    QAction* restModeSummaryMenuItem = nullptr;
    QAction* customRestModeMenuItem = nullptr;
    QAction* hydrationStatusMenuItem = nullptr;
    QAction* hydrationToggleMenuItem = nullptr;
    QAction* hydrationIntervalMenuItem = nullptr;
    QAction* pelvicFloorStatusMenuItem = nullptr;
    QAction* pelvicFloorToggleMenuItem = nullptr;
    QAction* pelvicFloorIntervalMenuItem = nullptr;
    QMap<qint64, QAction*> modeMenuItems;
    QMap<qint64, QAction*> hydrationIntervalMenuItems;
    QMap<qint64, QAction*> pelvicFloorIntervalMenuItems;

    qint64 workDuration = 1200;
    qint64 restDuration = 20;
    qint64 workSecondsRemaining = 1200;
    qint64 restSecondsRemaining = 20;
    qint64 selectedRestModeTag = defaultRestModeTag;
    bool isResting = false;
    bool isQuitting = false;
    std::optional<QString> transientStatusMessage;
    std::optional<QDateTime> transientStatusExpiresAt;
    QTimer* mainTimer = nullptr;
    QList<RestWindow*> restWindows;

    HydrationReminderManager* hydrationReminderManager = nullptr;
    PelvicFloorReminderManager* pelvicFloorReminderManager = nullptr;
    ReminderNotificationRouter* reminderNotificationRouter = nullptr;
    ReminderSkipFeedbackPresenter* reminderSkipFeedbackPresenter = nullptr;

    StatsStore* const statsStore;
    std::optional<QString> currentRestSessionId;
    StatsEventSource currentRestSource = StatsEventSource::scheduled;
    // The length the rest on screen started with; a mode chosen meanwhile
    // applies from the next rest.
    qint64 currentRestDuration = 20;

    QMenu* statusMenu() const { return m_statusMenu; }
    QMenuBar* mainMenu() const { return m_mainMenu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The two reminder blocks of the menu differ only in these.
    struct ReminderMenuBlock {
        ReminderEngine* manager;
        QAction*& status;
        QAction*& toggle;
        QAction*& interval;
        QMap<qint64, QAction*>& intervalItems;
        const QList<qint64>& presets;
        QString name; // "喝水提醒"
        MenuCommand toggleCommand;
        MenuCommand intervalCommand;
    };
    ReminderMenuBlock hydrationBlock();
    ReminderMenuBlock pelvicFloorBlock();
    void addReminderBlock(const ReminderMenuBlock& block, const QString& heading, const QString& recordTitle,
                          void (AppDelegate::*toggle)(), void (AppDelegate::*selectInterval)(qint64),
                          void (AppDelegate::*showDialog)(), void (AppDelegate::*record)());
    void updateReminderMenuItems(const ReminderMenuBlock& block);
    void showIntervalDialog(const ReminderMenuBlock& block, const QString& message,
                            const QString& informative, void (AppDelegate::*showInvalid)());
    QMenu* makeRestModeSubMenu();
    QMenu* makeThemeSubMenu();
    QMenu* makeReportSubMenu();
    QAction* addCommand(QMenu* menu, const QString& title, void (AppDelegate::*action)());

    void popUpStatusMenu();
    void setStatusLine(const QString& text);
    void select(const RestMode& mode);
    RestView* makeRestView();
    void layOutRestWindows();
    void screensDidChange();
    void closeRestWindows();

    AppServices m_services;
    QMenu* m_statusMenu = nullptr;
    QMenuBar* m_mainMenu = nullptr;
    bool m_servicesStarted = false;
    QString m_ultramanSubtitle;
    QPointer<QWidget> m_statsReportWindow;
};
