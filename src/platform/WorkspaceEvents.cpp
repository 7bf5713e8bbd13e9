#include "WorkspaceEvents.h"

#include "Log.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
const QString login1 = u"org.freedesktop.login1"_s;
const QString login1Path = u"/org/freedesktop/login1"_s;
const QString login1Manager = u"org.freedesktop.login1.Manager"_s;
// Each desktop's screen saver announces its end as ActiveChanged(false) under
// its own name; some own the freedesktop name as well, and a second wake for
// one end is harmless. The interface and the bus name are the same.
const QStringList screenSavers = {
    u"org.freedesktop.ScreenSaver"_s, u"org.gnome.ScreenSaver"_s,    u"org.xfce.ScreenSaver"_s,
    u"org.mate.ScreenSaver"_s,        u"org.cinnamon.ScreenSaver"_s,
};
} // namespace

DBusWorkspaceEvents::DBusWorkspaceEvents(const QDBusConnection& systemBus, const QDBusConnection& sessionBus,
                                         QObject* parent)
    : WorkspaceEvents(parent)
    , m_system(systemBus)
    , m_session(sessionBus) {
    if (!m_system.isConnected()) {
        Log::line(u"Tovi: 没有系统总线，睡眠唤醒和解锁不会触发提醒"_s);
    } else {
        m_system.connect(login1, login1Path, login1Manager, u"PrepareForSleep"_s, this,
                         SLOT(prepareForSleep(bool)));
        watchSessionUnlock();
    }

    if (!m_session.isConnected()) {
        Log::line(u"Tovi: 没有会话总线，屏保结束不会触发提醒"_s);
    } else {
        // Any path: desktops publish the screen saver under more than one.
        for (const QString& screenSaver : screenSavers)
            m_session.connect(QString(), QString(), screenSaver, u"ActiveChanged"_s, this,
                              SLOT(screenSaverActiveChanged(bool)));
        logMissingScreenSaver();
    }
}

void DBusWorkspaceEvents::logMissingScreenSaver() {
    const QDBusMessage message = QDBusMessage::createMethodCall(
        u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s, u"org.freedesktop.DBus"_s, u"ListNames"_s);
    auto* watcher = new QDBusPendingCallWatcher(m_session.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        if (reply.isError())
            return;
        const QStringList names = reply.value();
        // Still watched: a screen saver that starts later is heard.
        if (std::none_of(screenSavers.begin(), screenSavers.end(),
                         [&names](const QString& name) { return names.contains(name); }))
            Log::line(u"Tovi: 没有屏保服务，屏保结束不会触发提醒"_s);
    });
}

void DBusWorkspaceEvents::watchSessionUnlock() {
    // Programs started at login may run outside any session scope, so the
    // session comes from the environment, else from logind's own choice.
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    QDBusMessage message = QDBusMessage::createMethodCall(login1, login1Path, login1Manager, u"GetSession"_s);
    message << (id.isEmpty() ? u"auto"_s : id);
    auto* watcher = new QDBusPendingCallWatcher(m_system.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            // Also how a missing logind shows: the one line says so.
            Log::line(u"Tovi: 找不到 logind 登录会话，睡眠唤醒和解锁不会触发提醒："_s +
                      reply.error().message());
            return;
        }
        const QString session = u"org.freedesktop.login1.Session"_s;
        m_system.connect(login1, reply.value().path(), session, u"Unlock"_s, this, SLOT(sessionUnlocked()));
        m_system.connect(login1, reply.value().path(), session, u"Lock"_s, this, SLOT(sessionLocked()));
    });
}

void DBusWorkspaceEvents::prepareForSleep(bool starting) {
    if (starting)
        Q_EMIT willSleep();
    else
        Q_EMIT didWake();
}

void DBusWorkspaceEvents::screenSaverActiveChanged(bool active) {
    if (active)
        Q_EMIT screensDidLock();
    else
        Q_EMIT screensDidWake();
}

void DBusWorkspaceEvents::sessionLocked() {
    Q_EMIT screensDidLock();
}

void DBusWorkspaceEvents::sessionUnlocked() {
    Q_EMIT sessionDidBecomeActive();
}
