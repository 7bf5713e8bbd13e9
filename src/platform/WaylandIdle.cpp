#include "WaylandIdle.h"

#include "ext-idle-notify-v1-client.h"
#include "kde-idle-client.h"

#include <QSocketNotifier>
#include <cstring>
#include <wayland-client.h>

namespace {
const wl_registry_listener registryListener = {&WaylandIdleSource::global, &WaylandIdleSource::globalRemove};

template <bool idle> void notify(void* data, auto*) {
    static_cast<WaylandIdleSource*>(data)->fired(idle);
}
const ext_idle_notification_v1_listener extListener = {&notify<true>, &notify<false>};
const org_kde_kwin_idle_timeout_listener kdeListener = {&notify<true>, &notify<false>};
} // namespace

WaylandIdleSource::WaylandIdleSource(Protocol protocol, QObject* parent)
    : IdleSource(parent)
    , m_protocol(protocol) {}

WaylandIdleSource::~WaylandIdleSource() {
    disconnectDisplay();
}

void WaylandIdleSource::global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                               uint32_t) {
    auto* self = static_cast<WaylandIdleSource*>(data);
    const wl_interface* wanted = self->m_protocol == Protocol::extIdleNotify ? &ext_idle_notifier_v1_interface
                                                                             : &org_kde_kwin_idle_interface;
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->m_seat)
        self->m_seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, wanted->name) == 0 && !self->m_notifier)
        self->m_notifier = wl_registry_bind(registry, name, wanted, 1);
}

bool WaylandIdleSource::connectDisplay() {
    if (m_display)
        return true;
    // A compositor does not learn a protocol later: asked once.
    if (m_refused)
        return false;
    m_refused = true;
    // Never the default socket: only a session that names its compositor has one for us.
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return false;
    m_display = wl_display_connect(nullptr);
    if (!m_display)
        return false;
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    wl_display_roundtrip(m_display);
    if (!m_seat || !m_notifier) {
        disconnectDisplay();
        return false;
    }
    m_socket = new QSocketNotifier(wl_display_get_fd(m_display), QSocketNotifier::Read, this);
    connect(m_socket, &QSocketNotifier::activated, this, &WaylandIdleSource::dispatch);
    m_refused = false;
    return true;
}

void WaylandIdleSource::disconnectDisplay() {
    stop();
    // May be the socket's own signal that brought us here.
    if (m_socket)
        m_socket->deleteLater();
    m_socket = nullptr;
    if (m_notifier) {
        if (m_protocol == Protocol::extIdleNotify)
            ext_idle_notifier_v1_destroy(static_cast<ext_idle_notifier_v1*>(m_notifier));
        else
            wl_proxy_destroy(static_cast<wl_proxy*>(m_notifier));
    }
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
    m_notifier = nullptr;
    m_seat = nullptr;
    m_registry = nullptr;
    m_display = nullptr;
}

bool WaylandIdleSource::start(qint64 ms) {
    stop();
    if (!connectDisplay())
        return false;
    m_watchedMs = ms;
    const auto timeout = uint32_t(std::min<qint64>(ms, UINT32_MAX));
    if (m_protocol == Protocol::extIdleNotify) {
        auto* watch = ext_idle_notifier_v1_get_idle_notification(
            static_cast<ext_idle_notifier_v1*>(m_notifier), timeout, m_seat);
        ext_idle_notification_v1_add_listener(watch, &extListener, this);
        m_watch = watch;
    } else {
        auto* watch =
            org_kde_kwin_idle_get_idle_timeout(static_cast<org_kde_kwin_idle*>(m_notifier), m_seat, timeout);
        org_kde_kwin_idle_timeout_add_listener(watch, &kdeListener, this);
        m_watch = watch;
    }
    wl_display_flush(m_display);
    return true;
}

void WaylandIdleSource::stop() {
    if (!m_watch)
        return;
    if (m_protocol == Protocol::extIdleNotify)
        ext_idle_notification_v1_destroy(static_cast<ext_idle_notification_v1*>(m_watch));
    else
        org_kde_kwin_idle_timeout_release(static_cast<org_kde_kwin_idle_timeout*>(m_watch));
    m_watch = nullptr;
    wl_display_flush(m_display);
}

void WaylandIdleSource::dispatch() {
    // The socket is readable, so this does not block; a lost compositor ends the source.
    if (wl_display_dispatch(m_display) < 0)
        disconnectDisplay();
}

void WaylandIdleSource::fired(bool idle) {
    // The compositor counts from the watch's start, so at the event the
    // stretch is the watched length.
    if (idle)
        Q_EMIT idled(m_watchedMs);
    else
        Q_EMIT resumed(0);
}
