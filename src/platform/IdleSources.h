#pragma once

#include <QDBusConnection>
#include <QDateTime>
#include <QObject>
#include <QString>

// One way of telling how long keyboard and pointer have been left alone.
// DesktopIdleWatch asks a table of them in turn; the first that starts answers.
class IdleSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Watches for `ms` untouched, again after every return; false when this
    // source cannot tell idle time here.
    virtual bool start(qint64 ms) = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    // Untouched for `idleMs`, at least the watched length.
    void idled(qint64 idleMs);
    // Input again, `sinceInputMs` ago: the untouched stretch ended then.
    void resumed(qint64 sinceInputMs);
};

// GNOME's own idle monitor: a watch for the length and one for the return,
// both fired by Mutter.
class MutterIdleSource final : public IdleSource {
    Q_OBJECT
public:
    explicit MutterIdleSource(const QDBusConnection& bus, QObject* parent = nullptr);
    bool start(qint64 ms) override;
    void stop() override;

private Q_SLOTS:
    void watchFired(uint id);

private:
    bool call(const QString& member, const QVariantList& args, QVariant* answer = nullptr);
    void watchReturn();

    QDBusConnection m_bus;
    uint m_idleWatch = 0;
    uint m_activeWatch = 0;
    bool m_connected = false;
};

// Reads the idle time at deadlines only: the next read is due when the
// watched length could first have passed, and while away as sparsely as a
// prompt enough return allows. For sources that cannot tell of events.
class SampledIdleSource : public IdleSource {
    Q_OBJECT
public:
    using IdleSource::IdleSource;
    bool start(qint64 ms) override;
    void stop() override;

protected:
    // Milliseconds since the last input; negative when it cannot tell.
    virtual qint64 readIdleMs() = 0;

private:
    void check();
    void readAfter(qint64 ms);

    qint64 m_watchedMs = 0;
    // The idle time at the last read while away; -1 while not away.
    qint64 m_awayIdleMs = -1;
    // Tells a deadline of an earlier watch from the current one's.
    quint64 m_generation = 0;
};

// The freedesktop screen saver's GetSessionIdleTime (KDE on X11; Wayland
// sessions answer that it is not supported).
class ScreenSaverIdleSource final : public SampledIdleSource {
    Q_OBJECT
public:
    explicit ScreenSaverIdleSource(const QDBusConnection& bus, QObject* parent = nullptr);

protected:
    qint64 readIdleMs() override;

private:
    QDBusConnection m_bus;
};
