#pragma once

#include "RestMode.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

class Commands;
class LoginItemService;
class QAction;
class QActionGroup;
class QMenu;
class QSystemTrayIcon;
class ReminderEngine;
class ReminderMenuSection;
class ThemeSetting;
class TrayHosts;

// The tray: its icon, tool tip and status menu. Every command goes to
// Commands; what needs a dialog or the application is asked for by signal.
class TrayMenu final : public QObject {
    Q_OBJECT
public:
    // The pause submenu's lengths, in seconds; 0 is until tomorrow.
    static const QList<qint64>& pauseChoices();

    TrayMenu(Commands* commands, ThemeSetting* themes, LoginItemService* loginItems,
             QObject* parent = nullptr);
    ~TrayMenu() override;

    static QString headerTitle();

    // Makes the menu; the icon comes with it once there is a tray (`hosts` null: at once).
    void build(TrayHosts* hosts);
    QMenu* menu() const { return m_menu; }
    QSystemTrayIcon* icon() const { return m_icon; }

    // The status menu's live line.
    void setStatusLine(const QString& text);
    QString statusLine() const { return m_statusLine; }
    void showRestModes(qint64 selectedTag, const RestMode& current, const std::optional<RestMode>& custom);
    // Once a second: the reminders' countdowns while the menu shows, and the
    // icon's tool tip and look, each set only when it changes.
    void refreshTray();
    QString toolTip() const { return m_toolTip; }
    bool showsPaused() const { return m_iconPaused; }

Q_SIGNALS:
    void restModeSelected(qint64 tag);
    void customRestModeDialogRequested();
    void themeSelected();
    void intervalDialogRequested(ReminderEngine* reminder);
    void launchAtLoginToggled();
    void aboutRequested();
    void quitRequested();

private:
    void createIcon();
    void popUp();
    void willOpen(QMenu* menu);
    bool showsChanges() const;
    QMenu* makeRestModeSubMenu();
    QMenu* makePauseSubMenu();
    QMenu* makeThemeSubMenu();
    QMenu* makeReportSubMenu();
    void refreshRestModes();
    void refreshThemes();
    void refreshPause();

    Commands* const m_commands;
    ThemeSetting* const m_themes;
    LoginItemService* const m_loginItems;
    QMenu* m_menu = nullptr;
    QSystemTrayIcon* m_icon = nullptr;
    QAction* m_status = nullptr;
    QAction* m_launchAtLogin = nullptr;
    QAction* m_restModeSummary = nullptr;
    QActionGroup* m_restModes = nullptr;
    QAction* m_customRestMode = nullptr;
    QActionGroup* m_themeChoices = nullptr;
    QAction* m_resume = nullptr;
    QList<ReminderMenuSection*> m_sections;
    qint64 m_selectedTag = RestModes::defaultTag;
    RestMode m_current;
    std::optional<RestMode> m_custom;
    QString m_statusLine;
    QString m_toolTip;
    bool m_iconPaused = false;
    std::optional<QDateTime> m_openedAt;
};
