#pragma once

#include "IdleSources.h"

class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct wl_seat;

// The compositor's idle protocol over a Wayland connection of our own: where
// XWayland's counter sees only X clients' input. The compositor tells of the
// watched length and of the return; the connection's socket wakes us for those only.
class WaylandIdleSource final : public IdleSource {
    Q_OBJECT
public:
    enum class Protocol { extIdleNotify, kdeIdle };
    explicit WaylandIdleSource(Protocol protocol, QObject* parent = nullptr);
    ~WaylandIdleSource() override;
    bool start(qint64 ms) override;
    void stop() override;

    // For the protocol's listeners.
    void fired(bool idle);
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version);
    static void globalRemove(void*, wl_registry*, uint32_t) {}

private:
    bool connectDisplay();
    void disconnectDisplay();
    void dispatch();

    Protocol m_protocol;
    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    // The protocol's notifier and the current watch, of the protocol's types.
    void* m_notifier = nullptr;
    void* m_watch = nullptr;
    QSocketNotifier* m_socket = nullptr;
    qint64 m_watchedMs = 0;
    bool m_refused = false;
};
