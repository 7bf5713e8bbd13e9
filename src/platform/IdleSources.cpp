#include "IdleSources.h"

#include "Clock.h"

#include <QDBusMessage>

using namespace Qt::StringLiterals;

namespace {
const QString mutterService = u"org.gnome.Mutter.IdleMonitor"_s;
const QString mutterPath = u"/org/gnome/Mutter/IdleMonitor/Core"_s;
// A peer that hangs holds the caller this long at most.
constexpr int callTimeoutMs = 500;
// While away, how long a return may go unnoticed by a source that can only be read.
constexpr qint64 awayReadMs = 5000;

QDBusMessage callBlocking(const QDBusConnection& bus, QDBusMessage message) {
    message.setAutoStartService(false);
    return bus.call(message, QDBus::Block, callTimeoutMs);
}
} // namespace

MutterIdleSource::MutterIdleSource(const QDBusConnection& bus, QObject* parent)
    : IdleSource(parent)
    , m_bus(bus) {}

bool MutterIdleSource::call(const QString& member, const QVariantList& args, QVariant* answer) {
    QDBusMessage message = QDBusMessage::createMethodCall(mutterService, mutterPath, mutterService, member);
    message.setArguments(args);
    const QDBusMessage reply = callBlocking(m_bus, message);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return false;
    if (answer)
        *answer = reply.arguments().value(0);
    return true;
}

bool MutterIdleSource::start(qint64 ms) {
    stop();
    if (!m_bus.isConnected() || !call(u"GetIdletime"_s, {}))
        return false;
    if (!m_connected)
        m_connected = m_bus.connect(mutterService, mutterPath, mutterService, u"WatchFired"_s, this,
                                    SLOT(watchFired(uint)));
    QVariant id;
    // Mutter fires at once when already idle that long.
    if (!call(u"AddIdleWatch"_s, {QVariant::fromValue(quint64(ms))}, &id))
        return false;
    m_idleWatch = id.toUInt();
    return true;
}

void MutterIdleSource::stop() {
    for (uint* watch : {&m_idleWatch, &m_activeWatch}) {
        if (*watch != 0)
            call(u"RemoveWatch"_s, {*watch});
        *watch = 0;
    }
}

void MutterIdleSource::watchFired(uint id) {
    if (id == 0)
        return;
    if (id == m_idleWatch) {
        QVariant idle;
        call(u"GetIdletime"_s, {}, &idle);
        QVariant active;
        // Fires once, at the next input; the idle watch stays for the next stretch.
        if (m_activeWatch == 0 && call(u"AddUserActiveWatch"_s, {}, &active))
            m_activeWatch = active.toUInt();
        Q_EMIT idled(idle.toLongLong());
    } else if (id == m_activeWatch) {
        m_activeWatch = 0;
        Q_EMIT resumed(0);
    }
}

bool SampledIdleSource::start(qint64 ms) {
    stop();
    const qint64 idle = readIdleMs();
    if (idle < 0)
        return false;
    m_watchedMs = ms;
    readAfter(std::max<qint64>(ms - idle, 0));
    return true;
}

void SampledIdleSource::stop() {
    ++m_generation;
    m_awayIdleMs = -1;
}

void SampledIdleSource::readAfter(qint64 ms) {
    Clock::after(int(std::min<qint64>(ms, INT_MAX)), this, [this, generation = m_generation] {
        if (generation == m_generation)
            check();
    });
}

void SampledIdleSource::check() {
    const qint64 idle = readIdleMs();
    if (idle < 0) // The source went away: nothing more to tell.
        return;
    if (m_awayIdleMs >= 0 && idle < m_awayIdleMs) {
        m_awayIdleMs = -1;
        Q_EMIT resumed(idle);
    } else if (m_awayIdleMs >= 0) {
        m_awayIdleMs = idle;
    } else if (idle >= m_watchedMs) {
        m_awayIdleMs = idle;
        Q_EMIT idled(idle);
    }
    // Reads apart less than the watched length cannot miss a return and a new stretch.
    readAfter(m_awayIdleMs >= 0 ? std::min(awayReadMs, m_watchedMs) : m_watchedMs - idle);
}

ScreenSaverIdleSource::ScreenSaverIdleSource(const QDBusConnection& bus, QObject* parent)
    : SampledIdleSource(parent)
    , m_bus(bus) {}

qint64 ScreenSaverIdleSource::readIdleMs() {
    const QString name = u"org.freedesktop.ScreenSaver"_s;
    if (!m_bus.isConnected())
        return -1;
    const QDBusMessage reply =
        callBlocking(m_bus, QDBusMessage::createMethodCall(name, u"/org/freedesktop/ScreenSaver"_s, name,
                                                           u"GetSessionIdleTime"_s));
    // KDE on Wayland answers with an error: not supported there.
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return -1;
    // Milliseconds, as KDE counts them.
    return reply.arguments().first().toLongLong();
}
