#pragma once

#include "Pixels.h"

#include <QImage>
#include <QJsonObject>
#include <QList>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Polls `condition` until it holds or `timeoutMs` of real time have passed.
// QTRY_* count only their own sleeps, which a slow condition (a screenshot,
// a command) stretches many times over.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs);

#define E2E_WAIT(expr, timeoutMs) QVERIFY(waitUntil([&] { return bool(expr); }, timeoutMs))
#define E2E_WAIT_COMPARE(actual, expected, timeoutMs)                                                        \
    do {                                                                                                     \
        waitUntil([&] { return (actual) == (expected); }, timeoutMs);                                        \
        QCOMPARE(actual, expected);                                                                          \
    } while (false)

// How many pixels of `area` in the PNG at `path` are light (grey above 200).
int lightPixels(const QString& path, const QRect& area);

// Runs a program to its end; its standard output and exit code.
struct CommandResult {
    int exitCode = -1;
    QString output;
};
CommandResult runCommand(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment, int timeoutMs = 20000);

// A home of its own for one ToviProcess, under the test's data home.
QString e2eHome(const QString& name);
// Settings for the custom rest mode: work and rest in seconds.
QStringList customRest(int workSeconds, int restSeconds);
// The rest's dark blue-grey backdrop in every corner of two 1920x1080 monitors side by side,
// where panels or the compositor's own grey show when no rest is on.
bool backdropInEveryCorner(const QImage& shot);

// scripts/virtual-desktop, started for one test and stopped when this goes away.
class VirtualDesktop {
public:
    // X11: Xvfb, openbox, a tray and dunst. Wayland: headless sway with XWayland and two outputs.
    enum class Session { x11, wayland };
    explicit VirtualDesktop(bool withNotifications = true, Session session = Session::x11);
    ~VirtualDesktop();

    bool isRunning() const { return m_session.contains(QStringLiteral("DISPLAY")); }
    QString error() const { return m_error; }
    // DISPLAY and the session bus of the desktop, on top of this process's environment.
    QProcessEnvironment environment() const;

    QString screenshot(const QString& name) const; // path of the PNG written under the test's cache home
    // Someone at the desk, from the start: a rest is not time away. Off, the
    // X server counts idle time as if the user had left.
    void setUserAtDesk(bool present);
    // One of the script's controls: add-monitor, stop-tray, start-notifications and the like.
    bool control(const QString& command) const;
    // xdotool with the given arguments, inside the desktop.
    CommandResult xdotool(const QStringList& arguments) const;
    // Holds `key` down for `ms` of real time.
    void holdKey(const QString& key, int ms) const;
    // Walks an open menu: Down `downs` times, then `then`.
    void walkMenu(int downs, const QStringList& then) const;
    CommandResult dunstctl(const QStringList& arguments) const;
    int notificationsShown() const;
    // `xwininfo -root -tree` lines of windows whose class is `windowClass`.
    QStringList windowsOfClass(const QString& windowClass) const;
    // Ids of the mapped windows of `windowClass` (xdotool search --onlyvisible).
    QStringList visibleWindowsOfClass(const QString& windowClass) const;

    // Position and size of a window, from xdotool.
    QRect windowGeometry(const QString& id) const;

    // Under tint2, Tovi's icon is the small window of class "tovi" the tray
    // embeds; under the StatusNotifierItem host, the glyph drawn in its bar.
    bool trayIconShown() const;
    // Visible "tovi" windows that are the icon: one under tint2, none in a bar
    // that draws the icon itself.
    qsizetype trayIconWindows() const { return m_statusNotifierHost ? 0 : 1; }
    // Centre of the icon once the tray has placed it; null before.
    QPoint trayIconCentre() const;
    // Where the menu opens, above the icon at the bottom of the screen; null without an icon.
    QRect trayMenuArea() const;
    // Clicks the icon until its menu shows (never while it does, which would
    // close it) and takes a screenshot of it under `name`.
    bool openTrayMenu(const QString& name, int timeoutMs = 15000) const;

private:
    CommandResult script(const QStringList& arguments) const;
    QPoint statusNotifierIconCentre() const;
    bool m_statusNotifierHost = false;
    std::unique_ptr<QProcess> m_presence;
    QString m_dir;
    QProcessEnvironment m_session;
    QString m_error;
};

// One tovi process with its own XDG homes under `home`.
class ToviProcess {
public:
    ToviProcess(const VirtualDesktop& desktop, const QString& home);
    ~ToviProcess();

    QString home() const { return m_home; }
    // What the process runs with: the desktop plus its own XDG homes.
    QProcessEnvironment environment() const { return m_environment; }
    QString settingsPath() const;
    QString eventsDirectory() const;
    // Writes INI lines into the [General] section before start().
    void seedSettings(const QStringList& lines) const;

    // Offline: in a network namespace of its own, so that nothing reaches the photo service.
    bool start(bool offline = false);
    bool isRunning() const;
    qint64 pid() const;
    // Waits for the process to end; false on timeout.
    bool waitForExit(int timeoutMs = 10000);
    int exitCode() const;
    QProcess::ExitStatus exitStatus() const;
    void sendSignal(int number) const;
    // Sends `number` and waits: whether it ended normally with status 0.
    bool endsCleanlyOn(int number);

    // Everything printed so far.
    QStringList logLines();
    // Every non-empty line of every month file, in file order, decodable or not.
    QList<QByteArray> eventLines() const;
    // Every decodable event line of every month file, in file order; only those of `type` if given.
    QList<QJsonObject> events(const QString& type = {}) const;

private:
    QProcessEnvironment m_environment;
    QString m_home;
    std::unique_ptr<QProcess> m_process;
    QString m_output;
};

QString toviBinary();
