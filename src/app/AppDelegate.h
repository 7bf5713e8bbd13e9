#pragma once

#include "RestMode.h"
#include "stats/StatsEvent.h"

#include <QDateTime>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <optional>

class Alerts;
class BusyState;
class IdleWatch;
class MotionPreference;
class Commands;
class Defaults;
class LoginItemService;
class NotificationCenter;
class QMenu;
class QMenuBar;
class QTextBrowser;
class QTextDocument;
class QTimer;
class QWidget;
class ReminderEngine;
class ReminderNotificationRouter;
class ReminderSkipFeedbackPresenter;
class RestCycle;
class RestGate;
class RestHeadsUp;
class RestOverlay;
class RestView;
class RestWindow;
class Screens;
class StatsStore;
class ThemeSetting;
class TrayHosts;
class TrayMenu;
class WallpaperManager;
class WorkspaceEvents;
struct NumberField;
struct StatsReportScope;

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
    // None: rests never wait, time away is not noticed, and every rest moves.
    BusyState* busy = nullptr;
    IdleWatch* idle = nullptr;
    MotionPreference* motion = nullptr;
};

// The one application object: builds the rest cycle, the reminders, the
// commands and the tray, and connects them. Its areas live in AppDelegate+<Area>.cpp.
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
    // Ctrl+Q on every desktop, whatever its own key scheme says.
    static QKeySequence quitKey() { return QKeySequence(Qt::CTRL | Qt::Key_Q); }

    // The one-second tick of the main timer.
    void tick();

    // --- what the adaptor, the tests and the status line read
    Commands& commands() const { return *m_commands; }
    TrayMenu& trayMenu() const { return *m_trayMenu; }
    const RestCycle& restCycle() const { return *m_cycle; }
    RestGate& restGate() const { return *m_gate; }
    qint64 selectedRestModeTag() const { return m_selectedRestModeTag; }
    bool isResting() const;
    const QList<RestWindow*>& restWindows() const;
    // The status menu's live line.
    QString statusLine() const;
    static QString workCountdownLine(qint64 secondsLeft);
    const QList<ReminderEngine*>& reminders() const { return m_reminders; }
    ReminderNotificationRouter* notificationRouter() const { return reminderNotificationRouter; }
    ReminderSkipFeedbackPresenter* skipFeedbackPresenter() const { return reminderSkipFeedbackPresenter; }
    QMenu* statusMenu() const;
    QMenuBar* mainMenu() const { return m_mainMenu; }
    QWidget* statsReportWindow() const;
    static void fillAboutNotes(QTextDocument* document);
    static QTextBrowser* makeAboutAccessory();

    // --- launch steps that tests take one by one
    void loadRestModeConfiguration();
    void startServices();
    void showCustomRestModeDialog();
    void setTransientStatus(const QString& message, double durationSeconds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // --- launch steps, in order
    void createReminders();
    void configureReminderNotifications();
    void configureMainMenuForTextEditing();
    void prefetchWallpaperForCurrentThemeIfNeeded();
    void showYesterdayReportPromptIfNeeded();
    // The offer of yesterday's report, a second after launch.
    void offerYesterdayReportIfNeeded();

    // --- rest modes
    std::optional<RestMode> savedCustomRestMode() const;
    void selectMode(qint64 tag);
    // Stores a custom mode the dialog validated and switches to it.
    void saveCustomRestMode(qint64 workMinutes, qint64 restSeconds);
    void select(const RestMode& mode);
    void showRestModes();

    // --- rest timer and status line
    void startMainTimer();
    void updateStatusMenuTitle();
    void prefetchWallpaperNearRestIfNeeded();
    RestView* makeRestView();
    void restStarted();
    void restEnded(const std::optional<QString>& skipMessage);
    void workSecondsChanged();

    // --- reports
    // A new window each time; the latest is held, earlier ones stay until closed.
    void openReport(const StatsReportScope& scope);

    // --- dialogs
    // Runs a form of number fields; the values when applied and valid. Invalid
    // input shows `invalidTitle` with `invalidText` and gives nothing, as does cancelling.
    std::optional<QList<qint64>> runNumberDialog(const QString& message, const QString& informative,
                                                 const QList<NumberField>& fields,
                                                 const QString& invalidTitle, const QString& invalidText);
    void showIntervalDialog(ReminderEngine* reminder);

    // --- reminders
    void startReminders();
    void stopReminders();

    // --- launch at login, about
    void toggleLaunchAtLogin();
    void showLaunchAtLoginAlert(const QString& message);
    void showAbout();

    static constexpr qint64 defaultRestModeTag = RestModes::defaultTag;
    static constexpr qint64 customRestModeTag = RestModes::customTag;

    qint64 m_selectedRestModeTag = defaultRestModeTag;
    bool m_isQuitting = false;
    std::optional<QString> transientStatusMessage;
    std::optional<QDateTime> transientStatusExpiresAt;
    QTimer* mainTimer = nullptr;

    QList<ReminderEngine*> m_reminders;
    ReminderNotificationRouter* reminderNotificationRouter = nullptr;
    ReminderSkipFeedbackPresenter* reminderSkipFeedbackPresenter = nullptr;

    StatsStore* const statsStore;
    ThemeSetting* m_themes = nullptr;
    RestCycle* m_cycle = nullptr;
    RestGate* m_gate = nullptr;
    RestHeadsUp* m_headsUp = nullptr;
    RestOverlay* m_overlay = nullptr;
    Commands* m_commands = nullptr;
    TrayMenu* m_trayMenu = nullptr;

    AppServices m_services;
    QMenuBar* m_mainMenu = nullptr;
    bool m_servicesStarted = false;
    QString m_ultramanSubtitle;
    QPointer<QWidget> m_statsReportWindow;
};
