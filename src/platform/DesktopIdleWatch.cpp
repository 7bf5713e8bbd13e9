#include "DesktopIdleWatch.h"

#include "Clock.h"
#include "IdleSources.h"
#include "Log.h"
#include "WaylandIdle.h"
#include "X11Idle.h"

using namespace Qt::StringLiterals;

namespace {
std::vector<DesktopIdleWatch::Row> desktopRows(const QDBusConnection& bus) {
    using Protocol = WaylandIdleSource::Protocol;
    return {
        {u"GNOME Mutter IdleMonitor"_s, true, true,
         [bus](QObject* p) { return new MutterIdleSource(bus, p); }},
        {u"Wayland ext_idle_notifier_v1"_s, true, false,
         [](QObject* p) { return new WaylandIdleSource(Protocol::extIdleNotify, p); }},
        {u"Wayland org_kde_kwin_idle"_s, true, false,
         [](QObject* p) { return new WaylandIdleSource(Protocol::kdeIdle, p); }},
        {u"X11 SYNC IDLETIME"_s, false, true, [](QObject* p) { return new X11SyncIdleSource(p); }},
        {u"X11 MIT-SCREEN-SAVER"_s, false, true, [](QObject* p) { return new X11ScreenSaverIdleSource(p); }},
        {u"org.freedesktop.ScreenSaver GetSessionIdleTime"_s, true, true,
         [bus](QObject* p) { return new ScreenSaverIdleSource(bus, p); }},
    };
}
} // namespace

DesktopIdleWatch::DesktopIdleWatch(const QDBusConnection& bus, QObject* parent)
    : DesktopIdleWatch(desktopRows(bus), waylandSession(), parent) {}

DesktopIdleWatch::DesktopIdleWatch(std::vector<Row> rows, bool waylandSession, QObject* parent)
    : IdleWatch(parent)
    , m_rows(std::move(rows))
    , m_sources(m_rows.size(), nullptr)
    , m_wayland(waylandSession) {}

bool DesktopIdleWatch::waylandSession() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland"_s;
}

bool DesktopIdleWatch::watch(qint64 seconds) {
    stop();
    const qint64 ms = std::max<qint64>(seconds, 1) * 1000;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (!(m_wayland ? m_rows[i].wayland : m_rows[i].x11))
            continue;
        if (!m_sources[i]) {
            // Made once, when first asked: a source that never answers costs nothing.
            m_sources[i] = m_rows[i].make(this);
            connect(m_sources[i], &IdleSource::idled, this, &DesktopIdleWatch::sourceIdled);
            connect(m_sources[i], &IdleSource::resumed, this, &DesktopIdleWatch::sourceResumed);
        }
        if (m_sources[i]->start(ms)) {
            m_answering = int(i);
            logAnswer(m_rows[i].name);
            return true;
        }
    }
    logAnswer(QString());
    return false;
}

void DesktopIdleWatch::stop() {
    if (m_answering >= 0)
        m_sources[size_t(m_answering)]->stop();
    m_answering = -1;
    m_idledAt = QDateTime();
}

QString DesktopIdleWatch::sourceName() const {
    return m_answering >= 0 ? m_rows[size_t(m_answering)].name : QString();
}

void DesktopIdleWatch::logAnswer(const QString& name) {
    if (m_loggedOnce && name == m_logged)
        return;
    m_loggedOnce = true;
    m_logged = name;
    Log::line(name.isEmpty() ? u"Tovi: 没有能告知空闲时间的来源，离开电脑不会算作休息"_s
                             : u"Tovi: 空闲时间来自 "_s + name);
}

void DesktopIdleWatch::sourceIdled(qint64 idleMs) {
    if (m_answering < 0 || sender() != m_sources[size_t(m_answering)] || m_idledAt.isValid())
        return;
    m_idleMs = idleMs;
    m_idledAt = Clock::now();
    Q_EMIT idled(idleMs / 1000);
}

void DesktopIdleWatch::sourceResumed(qint64 sinceInputMs) {
    if (m_answering < 0 || sender() != m_sources[size_t(m_answering)] || !m_idledAt.isValid())
        return;
    // The stretch went on from `idled` until the input.
    const qint64 total = m_idleMs + std::max<qint64>(m_idledAt.msecsTo(Clock::now()) - sinceInputMs, 0);
    m_idledAt = QDateTime();
    Q_EMIT resumed(total / 1000);
}
