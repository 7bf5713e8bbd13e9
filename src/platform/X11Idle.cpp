#include "X11Idle.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstring>
#include <xcb/screensaver.h>
#include <xcb/sync.h>
#include <xcb/xcb.h>

namespace {
xcb_sync_int64_t syncValue(qint64 value) {
    return {int32_t(value >> 32), uint32_t(value & 0xffffffff)};
}

qint64 fromSync(const xcb_sync_int64_t& value) {
    return (qint64(value.hi) << 32) | value.lo;
}
} // namespace

X11SyncIdleSource::~X11SyncIdleSource() {
    stop();
    if (m_filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11SyncIdleSource::findCounter() {
    xcb_connection_t* connection = qtX11Connection();
    if (connection == m_connection && m_counter != 0)
        return true;
    m_connection = connection;
    m_counter = 0;
    if (!connection)
        return false;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_sync_id);
    if (!extension || !extension->present)
        return false;
    m_eventBase = extension->first_event;
    free(xcb_sync_initialize_reply(connection, xcb_sync_initialize(connection, 3, 1), nullptr));
    xcb_sync_list_system_counters_reply_t* counters =
        xcb_sync_list_system_counters_reply(connection, xcb_sync_list_system_counters(connection), nullptr);
    if (!counters)
        return false;
    // Walked by hand: libxcb's iterator gets the padding after each name wrong.
    // Each entry: counter (4), resolution (8), name length (2), name, padded to 4.
    const auto* data = reinterpret_cast<const uint8_t*>(counters + 1);
    const uint8_t* end = data + counters->length * 4;
    for (uint32_t i = 0; i < counters->counters_len && data + 14 <= end; ++i) {
        uint32_t counter;
        uint16_t length;
        memcpy(&counter, data, 4);
        memcpy(&length, data + 12, 2);
        if (data + 14 + length > end)
            break;
        if (QByteArray(reinterpret_cast<const char*>(data + 14), length) == "IDLETIME")
            m_counter = counter;
        data += (14 + length + 3) & ~3u;
    }
    free(counters);
    return m_counter != 0;
}

bool X11SyncIdleSource::start(qint64 ms) {
    stop();
    if (!findCounter())
        return false;
    if (!m_filtering) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_filtering = true;
    }
    m_watchedMs = ms;
    // A comparison, not a transition: already idle that long fires at once.
    setAlarm(&m_idleAlarm, ms, true);
    xcb_flush(m_connection);
    return true;
}

void X11SyncIdleSource::setAlarm(uint32_t* alarm, qint64 ms, bool positive) {
    if (*alarm != 0)
        xcb_sync_destroy_alarm(m_connection, *alarm);
    *alarm = xcb_generate_id(m_connection);
    xcb_sync_create_alarm_value_list_t values{};
    values.counter = m_counter;
    values.valueType = XCB_SYNC_VALUETYPE_ABSOLUTE;
    values.value = syncValue(ms);
    values.testType =
        positive ? XCB_SYNC_TESTTYPE_POSITIVE_COMPARISON : XCB_SYNC_TESTTYPE_NEGATIVE_COMPARISON;
    // No delta: once fired the alarm rests until replaced.
    values.delta = syncValue(0);
    values.events = 1;
    xcb_sync_create_alarm_aux(m_connection, *alarm,
                              XCB_SYNC_CA_COUNTER | XCB_SYNC_CA_VALUE_TYPE | XCB_SYNC_CA_VALUE |
                                  XCB_SYNC_CA_TEST_TYPE | XCB_SYNC_CA_DELTA | XCB_SYNC_CA_EVENTS,
                              &values);
}

void X11SyncIdleSource::destroyAlarms() {
    for (uint32_t* alarm : {&m_idleAlarm, &m_returnAlarm}) {
        if (*alarm != 0 && m_connection)
            xcb_sync_destroy_alarm(m_connection, *alarm);
        *alarm = 0;
    }
}

void X11SyncIdleSource::stop() {
    destroyAlarms();
    if (m_connection && qtX11Connection() == m_connection)
        xcb_flush(m_connection);
}

bool X11SyncIdleSource::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || m_counter == 0)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != m_eventBase + XCB_SYNC_ALARM_NOTIFY)
        return false;
    const auto* alarm = static_cast<const xcb_sync_alarm_notify_event_t*>(message);
    const qint64 counter = fromSync(alarm->counter_value);
    if (alarm->alarm == m_idleAlarm && m_idleAlarm != 0) {
        // Any input from now on brings the counter back below this.
        setAlarm(&m_returnAlarm, std::max<qint64>(counter - 1, 0), false);
        xcb_flush(m_connection);
        Q_EMIT idled(counter);
        return true;
    }
    if (alarm->alarm == m_returnAlarm && m_returnAlarm != 0) {
        xcb_sync_destroy_alarm(m_connection, m_returnAlarm);
        m_returnAlarm = 0;
        setAlarm(&m_idleAlarm, m_watchedMs, true);
        xcb_flush(m_connection);
        Q_EMIT resumed(counter);
        return true;
    }
    return false;
}

qint64 X11ScreenSaverIdleSource::readIdleMs() {
    xcb_connection_t* connection = qtX11Connection();
    if (!connection)
        return -1;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_screensaver_id);
    if (!extension || !extension->present)
        return -1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_screensaver_query_info_reply_t* info = xcb_screensaver_query_info_reply(
        connection, xcb_screensaver_query_info(connection, screen->root), nullptr);
    const qint64 idle = info ? qint64(info->ms_since_user_input) : -1;
    free(info);
    return idle;
}
