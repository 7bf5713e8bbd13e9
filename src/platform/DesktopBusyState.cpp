#include "DesktopBusyState.h"

#include "GSettingsKey.h"
#include "X11.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QWindow>
#include <unistd.h>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int callTimeoutMs = 250;
constexpr int readingTimeoutMs = 600;

const QString notifications = u"org.freedesktop.Notifications"_s;
const QString notificationsPath = u"/org/freedesktop/Notifications"_s;
const QString properties = u"org.freedesktop.DBus.Properties"_s;
const QString sessionManager = u"org.gnome.SessionManager"_s;
const QString powerManagement = u"org.freedesktop.PowerManagement"_s;
const QString powerInhibit = u"org.freedesktop.PowerManagement.Inhibit"_s;
const QString kdePower = u"org.kde.Solid.PowerManagement"_s;
const QString kdePolicyAgent = u"org.kde.Solid.PowerManagement.PolicyAgent"_s;
const QString xfconf = u"org.xfce.Xfconf"_s;

// The 32-bit values of a window's property; empty when it has none.
std::vector<uint32_t> property32(xcb_connection_t* connection, uint32_t window, uint32_t atom,
                                 uint32_t type) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, false, window, atom, type, 0, 64), nullptr);
    std::vector<uint32_t> values;
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    free(reply);
    return values;
}

uint32_t rootWindow(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}
} // namespace

const std::vector<DesktopBusyState::BusRow>& DesktopBusyState::busRows() {
    using enum BusyReason;
    static const std::vector<BusRow> rows = {
        // KDE's server, and any that follows the freedesktop draft.
        {doNotDisturb, notifications, notificationsPath, notifications, u"Inhibited"_s, true, {}},
        {doNotDisturb, notifications, notificationsPath, u"org.dunstproject.cmd0"_s, u"paused"_s, true, {}},
        {doNotDisturb,
         xfconf,
         u"/org/xfce/Xfconf"_s,
         xfconf,
         u"GetProperty"_s,
         false,
         {u"xfce4-notifyd"_s, u"/do-not-disturb"_s}},
        // 8: inhibiting the session from being marked idle.
        {inhibitor,
         sessionManager,
         u"/org/gnome/SessionManager"_s,
         sessionManager,
         u"IsInhibited"_s,
         false,
         {8u}},
        {inhibitor,
         powerManagement,
         u"/org/freedesktop/PowerManagement/Inhibit"_s,
         powerInhibit,
         u"HasInhibit"_s,
         false,
         {}},
        // Where KDE keeps the freedesktop screen saver's Inhibit calls; 4: the screen's settings.
        {inhibitor,
         kdePower,
         u"/org/kde/Solid/PowerManagement/PolicyAgent"_s,
         kdePolicyAgent,
         u"HasInhibition"_s,
         false,
         {4u}},
    };
    return rows;
}

const std::vector<DesktopBusyState::BusSignal>& DesktopBusyState::busSignals() {
    static const std::vector<BusSignal> signalRows = {
        {notifications, notificationsPath, properties, u"PropertiesChanged"_s},
        {xfconf, u"/org/xfce/Xfconf"_s, xfconf, u"PropertyChanged"_s},
        {sessionManager, u"/org/gnome/SessionManager"_s, sessionManager, u"InhibitorAdded"_s},
        {sessionManager, u"/org/gnome/SessionManager"_s, sessionManager, u"InhibitorRemoved"_s},
        {powerManagement, u"/org/freedesktop/PowerManagement/Inhibit"_s, powerInhibit,
         u"HasInhibitChanged"_s},
        {kdePower, u"/org/kde/Solid/PowerManagement/PolicyAgent"_s, kdePolicyAgent, u"InhibitionsChanged"_s},
    };
    return signalRows;
}

DesktopBusyState::DesktopBusyState(const QDBusConnection& bus, QObject* parent)
    : BusyState(parent)
    , m_bus(bus)
    , m_banners(new GSettingsKey(u"org.gnome.desktop.notifications"_s, u"show-banners"_s, this)) {
    if (m_bus.isConnected())
        for (const BusSignal& s : busSignals())
            m_bus.connect(s.service, s.path, s.interface, s.name, this, SLOT(sourceChanged()));
    // Only where GNOME's notifications are the ones shown: elsewhere the key
    // may be left off by a GNOME session long ago.
    if (qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(u"GNOME"_s, Qt::CaseInsensitive)) {
        m_banners->watch();
        connect(m_banners, &GSettingsKey::changed, this, &BusyState::changed);
    }
    if (xcb_connection_t* connection = qtX11Connection()) {
        m_atomActive = internAtom(connection, "_NET_ACTIVE_WINDOW");
        m_atomState = internAtom(connection, "_NET_WM_STATE");
        m_atomFullScreen = internAtom(connection, "_NET_WM_STATE_FULLSCREEN");
        m_atomPid = internAtom(connection, "_NET_WM_PID");
        // Qt listens to the root window's properties already: the focus moving shows there.
        QCoreApplication::instance()->installNativeEventFilter(this);
        followActiveWindow();
    }
}

DesktopBusyState::~DesktopBusyState() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void DesktopBusyState::sourceChanged() {
    Q_EMIT changed();
}

BusyReason DesktopBusyState::reason() {
    if (fullScreen())
        return BusyReason::fullScreen;
    const QDeadlineTimer reading(readingTimeoutMs);
    if (bannersHidden() || anyRowHolds(BusyReason::doNotDisturb, reading))
        return BusyReason::doNotDisturb;
    return anyRowHolds(BusyReason::inhibitor, reading) ? BusyReason::inhibitor : BusyReason::none;
}

bool DesktopBusyState::inhibited() {
    return anyRowHolds(BusyReason::inhibitor, QDeadlineTimer(readingTimeoutMs));
}

bool DesktopBusyState::bannersHidden() {
    if (!qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(u"GNOME"_s, Qt::CaseInsensitive))
        return false;
    return m_banners->value() == false;
}

bool DesktopBusyState::anyRowHolds(BusyReason reason, const QDeadlineTimer& reading) {
    if (!m_bus.isConnected() || !m_bus.interface())
        return false;
    const QStringList owned = m_bus.interface()->registeredServiceNames().value();
    for (const BusRow& row : busRows()) {
        if (row.reason != reason || !owned.contains(row.service) || reading.hasExpired())
            continue;
        QDBusMessage message =
            row.property ? QDBusMessage::createMethodCall(row.service, row.path, properties, u"Get"_s)
                         : QDBusMessage::createMethodCall(row.service, row.path, row.interface, row.member);
        message.setArguments(row.property ? QVariantList{row.interface, row.member} : row.args);
        message.setAutoStartService(false);
        const int timeout =
            int(std::min<qint64>(callTimeoutMs, std::max<qint64>(reading.remainingTime(), 1)));
        const QDBusMessage reply = m_bus.call(message, QDBus::Block, timeout);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            continue;
        QVariant answer = reply.arguments().first();
        if (answer.canConvert<QDBusVariant>())
            answer = answer.value<QDBusVariant>().variant();
        if (answer.toBool())
            return true;
    }
    return false;
}

uint32_t DesktopBusyState::activeWindow() {
    xcb_connection_t* connection = qtX11Connection();
    const std::vector<uint32_t> active =
        property32(connection, rootWindow(connection), m_atomActive, XCB_ATOM_WINDOW);
    return active.empty() ? 0 : active.front();
}

bool DesktopBusyState::ourWindow(uint32_t window) {
    for (QWindow* w : QGuiApplication::topLevelWindows())
        if (w->handle() && w->winId() == window)
            return true;
    const std::vector<uint32_t> pid = property32(qtX11Connection(), window, m_atomPid, XCB_ATOM_CARDINAL);
    return !pid.empty() && pid.front() == uint32_t(getpid());
}

bool DesktopBusyState::fullScreen() {
    xcb_connection_t* connection = qtX11Connection();
    if (!connection || m_atomActive == 0)
        return false;
    const uint32_t window = activeWindow();
    if (window == 0 || ourWindow(window))
        return false;
    const std::vector<uint32_t> state = property32(connection, window, m_atomState, XCB_ATOM_ATOM);
    return std::find(state.begin(), state.end(), m_atomFullScreen) != state.end();
}

void DesktopBusyState::followActiveWindow() {
    xcb_connection_t* connection = qtX11Connection();
    const uint32_t window = activeWindow();
    if (window == m_followed)
        return;
    // Another client's window: its events come to us only for the mask we
    // set on it, which leaves its owner's own untouched.
    const uint32_t none = 0;
    const uint32_t propertyChanges = XCB_EVENT_MASK_PROPERTY_CHANGE;
    // Checked: a window gone meanwhile is no error worth a warning.
    const auto select = [connection](uint32_t w, const uint32_t* mask) {
        free(xcb_request_check(connection,
                               xcb_change_window_attributes_checked(connection, w, XCB_CW_EVENT_MASK, mask)));
    };
    if (m_followed != 0)
        select(m_followed, &none);
    m_followed = window != 0 && !ourWindow(window) ? window : 0;
    if (m_followed != 0)
        select(m_followed, &propertyChanges);
}

bool DesktopBusyState::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* property = static_cast<const xcb_property_notify_event_t*>(message);
    if (property->atom == m_atomActive) {
        followActiveWindow();
        Q_EMIT changed();
    } else if (property->atom == m_atomState && property->window == m_followed && m_followed != 0) {
        Q_EMIT changed();
    }
    return false;
}
