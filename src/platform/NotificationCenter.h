#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

struct NotificationAction {
    QString identifier;
    QString title;
};

// A kind of notification and its action buttons, in order.
struct NotificationCategory {
    QString identifier;
    QList<NotificationAction> actions;
    // The owner is told when the user dismisses a notification of this kind.
    bool customDismiss = true;
};

struct NotificationRequest {
    QString identifier; // at most one live notification per identifier
    QString categoryIdentifier;
    QString title;
    QString body;
    bool sound = true;
};

// What the user did with a notification.
struct NotificationResponse {
    QString identifier;
    QString categoryIdentifier;
    QString actionIdentifier;
};

// The desktop's notification service. Responses arrive through `responded`
// on the thread that owns the centre.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    // The action of a click on the notification's body.
    static inline const QString defaultActionIdentifier = QStringLiteral("default");
    // The user closed the notification (only for categories with customDismiss).
    static inline const QString dismissActionIdentifier = QStringLiteral("dismiss");

    using QObject::QObject;

    virtual void setCategories(const QList<NotificationCategory>& categories) = 0;
    // Answers later, through `done`, unless `context` is gone by then: true when
    // notifications with an action button can be shown now.
    virtual void checkAuthorization(QObject* context, std::function<void(bool authorized)> done) = 0;
    // Replaces any live notification with the same identifier.
    virtual void post(const NotificationRequest& request) = 0;
    // Removes the pending or shown notification of this identifier, if any.
    virtual void remove(const QString& identifier) = 0;

Q_SIGNALS:
    void responded(const NotificationResponse& response);
    // A post the server refused or never answered; nothing is on screen.
    void postFailed(const QString& identifier);
    // A server appeared on or left the bus.
    void serverChanged();
};

// org.freedesktop.Notifications over QtDBus.
class DBusNotificationCenter final : public NotificationCenter {
    Q_OBJECT
public:
    explicit DBusNotificationCenter(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                    QObject* parent = nullptr);
    // Takes our notifications down: once we are gone nobody would hear their answer.
    ~DBusNotificationCenter() override;

    void setCategories(const QList<NotificationCategory>& categories) override;
    void checkAuthorization(QObject* context, std::function<void(bool authorized)> done) override;
    void post(const NotificationRequest& request) override;
    void remove(const QString& identifier) override;

    // The server id of the live notification of `identifier`; 0 when none.
    uint serverId(const QString& identifier) const;

private:
    void handleActionInvoked(uint id, const QString& actionKey);
    void handleClosed(uint id, uint reason);
    void serverOwnerChanged(const QString& newOwner);

    QDBusConnection m_bus;
    QHash<QString, NotificationCategory> m_categories;
    QHash<QString, uint> m_idsByIdentifier;
    QHash<uint, NotificationRequest> m_live;
    // Shown on a server that has gone; posted again when one appears.
    QHash<QString, NotificationRequest> m_orphans;
    // Bumped by every post and remove, so that a late Notify reply for a
    // notification already replaced or removed closes it instead of tracking it.
    QHash<QString, quint64> m_generation;
    bool m_loggedMissingBus = false;
};
