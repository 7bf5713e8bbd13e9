#include "TrayHosts.h"

#include "Log.h"
#include "NotificationCenter.h"
#include "X11.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {
const QString watcherService = u"org.kde.StatusNotifierWatcher"_s;

} // namespace

void TrayHosts::sayOnceIfMissing(NotificationCenter* notifications) {
    if (m_said || available())
        return;
    m_said = true;
    Log::line(u"Tovi: 没有找到系统托盘，护眼和提醒照常运行。GNOME 请安装并启用 AppIndicator 扩展"
              u"（gnome-shell-extension-appindicator），托盘出现后图标会自动显示"_s);
    if (notifications)
        notifications->post(
            {u"no-system-tray"_s, QString(), u"Tovi 没有找到系统托盘"_s,
             u"护眼和提醒照常运行。GNOME 请安装并启用 AppIndicator 扩展，托盘出现后图标会自动显示。"_s,
             false});
}

DesktopTrayHosts::DesktopTrayHosts(const QDBusConnection& bus, QObject* parent)
    : TrayHosts(parent)
    , m_bus(bus) {
    // Qt asks whether a host has registered, not merely the watcher.
    if (m_bus.isConnected())
        m_bus.connect(watcherService, u"/StatusNotifierWatcher"_s, watcherService,
                      u"StatusNotifierHostRegistered"_s, this, SLOT(statusNotifierHostRegistered()));
    if (xcb_connection_t* connection = qtX11Connection()) {
        const int screen = qEnvironmentVariable("DISPLAY").section(u'.', 1, 1).toInt();
        m_trayAtom = internAtom(connection, ("_NET_SYSTEM_TRAY_S" + QByteArray::number(screen)).constData());
        m_managerAtom = internAtom(connection, "MANAGER");
        // Qt already listens to the root window's structure events, where a
        // new tray announces itself.
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
}

DesktopTrayHosts::~DesktopTrayHosts() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool DesktopTrayHosts::available() const {
    return statusNotifierHostRuns() || xembedTrayRuns();
}

bool DesktopTrayHosts::statusNotifierHostRuns() const {
    if (!m_bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(watcherService, u"/StatusNotifierWatcher"_s,
                                                      u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << watcherService << u"IsStatusNotifierHostRegistered"_s;
    get.setAutoStartService(false);
    const QDBusMessage reply = m_bus.call(get, QDBus::Block, 1000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

void DesktopTrayHosts::statusNotifierHostRegistered() {
    Q_EMIT appeared();
}

bool DesktopTrayHosts::xembedTrayRuns() const {
    xcb_connection_t* connection = qtX11Connection();
    if (!connection || m_trayAtom == 0)
        return false;
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, m_trayAtom), nullptr);
    const bool owned = reply && reply->owner != XCB_NONE;
    free(reply);
    return owned;
}

bool DesktopTrayHosts::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->type == m_managerAtom && client->data.data32[1] == m_trayAtom)
        Q_EMIT appeared();
    return false;
}
