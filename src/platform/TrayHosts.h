#pragma once

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QObject>

class NotificationCenter;

// Whether a system tray is there to hold the icon, and when one arrives: a
// StatusNotifierItem host on the session bus, or an XEmbed tray on the X11 screen.
class TrayHosts : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool available() const = 0;
    // Says, once per process, that there is no tray and how to get one, unless
    // one has come by now: a log line and a notification.
    void sayOnceIfMissing(NotificationCenter* notifications);

Q_SIGNALS:
    void appeared();

private:
    bool m_said = false;
};

class DesktopTrayHosts final : public TrayHosts, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit DesktopTrayHosts(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                              QObject* parent = nullptr);
    ~DesktopTrayHosts() override;

    bool available() const override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private Q_SLOTS:
    void statusNotifierHostRegistered();

private:
    bool statusNotifierHostRuns() const;
    bool xembedTrayRuns() const;

    QDBusConnection m_bus;
    uint32_t m_trayAtom = 0;
    uint32_t m_managerAtom = 0;
};
