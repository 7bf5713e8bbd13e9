#pragma once

#include <QDBusConnection>
#include <QObject>

// The moments the user leaves and comes back to the computer. The base class only
// announces; tests emit its signals by hand.
class WorkspaceEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void didWake();
    void screensDidWake();
    void sessionDidBecomeActive();
    // The user went away: the screen locked, or the machine is about to sleep.
    // One lock may be told more than once, by logind and by screen savers.
    void screensDidLock();
    void willSleep();
};

// logind (sleep, wake, lock, unlock) on the system bus and the screen saver
// (locked, ended) on the session bus. A bus or service that is missing is logged once and left alone.
class DBusWorkspaceEvents final : public WorkspaceEvents {
    Q_OBJECT
public:
    DBusWorkspaceEvents(const QDBusConnection& systemBus = QDBusConnection::systemBus(),
                        const QDBusConnection& sessionBus = QDBusConnection::sessionBus(),
                        QObject* parent = nullptr);

private Q_SLOTS:
    void prepareForSleep(bool starting);
    void screenSaverActiveChanged(bool active);
    void sessionUnlocked();
    void sessionLocked();

private:
    void watchSessionUnlock();
    void logMissingScreenSaver();

    QDBusConnection m_system;
    QDBusConnection m_session;
};
