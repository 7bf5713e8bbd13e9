#pragma once

#include "IdleSources.h"

#include <QAbstractNativeEventFilter>

#include "X11.h"

// The SYNC extension's IDLETIME counter: the server raises an alarm at the
// watched length and another at the first input after it; nothing runs between.
class X11SyncIdleSource final : public IdleSource, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    using IdleSource::IdleSource;
    ~X11SyncIdleSource() override;
    bool start(qint64 ms) override;
    void stop() override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool findCounter();
    // Replaces `alarm` with one that fires when idle time passes `ms` upwards
    // (positive) or falls to or below it (negative).
    void setAlarm(uint32_t* alarm, qint64 ms, bool positive);
    void destroyAlarms();

    xcb_connection_t* m_connection = nullptr;
    uint8_t m_eventBase = 0;
    uint32_t m_counter = 0;
    uint32_t m_idleAlarm = 0;
    uint32_t m_returnAlarm = 0;
    qint64 m_watchedMs = 0;
    bool m_filtering = false;
};

// The screen-saver extension's idle time, read at deadlines: where SYNC has
// no IDLETIME counter.
class X11ScreenSaverIdleSource final : public SampledIdleSource {
    Q_OBJECT
public:
    using SampledIdleSource::SampledIdleSource;

protected:
    qint64 readIdleMs() override;
};
