#include "NotificationCenter.h"

#include "Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QPointer>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
const QString service = u"org.freedesktop.Notifications"_s;
const QString path = u"/org/freedesktop/Notifications"_s;
const QString interfaceName = u"org.freedesktop.Notifications"_s;
constexpr uint closedByUser = 2;

QDBusMessage call(const QString& method) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interfaceName, method);
    // A bus may start a server on demand; a missing server must read as missing.
    message.setAutoStartService(false);
    return message;
}
} // namespace

// QtDBus delivers bus signals only to named slots, so a small receiver
// forwards them to the centre's member functions.
class NotificationSignalReceiver : public QObject {
    Q_OBJECT
public:
    NotificationSignalReceiver(std::function<void(uint, const QString&)> action,
                               std::function<void(uint, uint)> closed, QObject* parent)
        : QObject(parent)
        , m_action(std::move(action))
        , m_closed(std::move(closed)) {}

public Q_SLOTS:
    void actionInvoked(uint id, const QString& actionKey) { m_action(id, actionKey); }
    void notificationClosed(uint id, uint reason) { m_closed(id, reason); }

private:
    std::function<void(uint, const QString&)> m_action;
    std::function<void(uint, uint)> m_closed;
};

DBusNotificationCenter::DBusNotificationCenter(const QDBusConnection& bus, QObject* parent)
    : NotificationCenter(parent)
    , m_bus(bus) {
    if (!m_bus.isConnected())
        return;
    auto* receiver =
        new NotificationSignalReceiver([this](uint id, const QString& key) { handleActionInvoked(id, key); },
                                       [this](uint id, uint reason) { handleClosed(id, reason); }, this);
    m_bus.connect(service, path, interfaceName, u"ActionInvoked"_s, receiver,
                  SLOT(actionInvoked(uint, QString)));
    m_bus.connect(service, path, interfaceName, u"NotificationClosed"_s, receiver,
                  SLOT(notificationClosed(uint, uint)));
    auto* watcher = new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(
        watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString&, const QString&, const QString& newOwner) { serverOwnerChanged(newOwner); });
}

DBusNotificationCenter::~DBusNotificationCenter() {
    if (!m_bus.isConnected())
        return;
    for (auto it = m_live.cbegin(); it != m_live.cend(); ++it)
        m_bus.call(call(u"CloseNotification"_s) << it.key(), QDBus::Block, 1000);
}

void DBusNotificationCenter::setCategories(const QList<NotificationCategory>& categories) {
    m_categories.clear();
    for (const NotificationCategory& category : categories)
        m_categories.insert(category.identifier, category);
}

void DBusNotificationCenter::checkAuthorization(QObject* context, std::function<void(bool)> done) {
    if (!m_bus.isConnected()) {
        if (!m_loggedMissingBus) {
            m_loggedMissingBus = true;
            Log::line(u"Tovi: 没有会话总线，提醒改用弹窗"_s);
        }
        QTimer::singleShot(0, context, [done] { done(false); });
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call(u"GetCapabilities"_s)), this);
    QPointer<QObject> guard(context);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [guard, done](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        if (!guard)
            return;
        done(!reply.isError() && reply.value().contains(u"actions"_s));
    });
}

void DBusNotificationCenter::post(const NotificationRequest& request) {
    remove(request.identifier);
    const quint64 generation = ++m_generation[request.identifier];

    QStringList actions;
    const auto category = m_categories.constFind(request.categoryIdentifier);
    if (category != m_categories.cend()) {
        for (const NotificationAction& action : category->actions)
            actions << action.identifier << action.title;
    }
    // Offering the body click as "default" makes servers report it as such;
    // without it many close the notification, which reads as a dismissal.
    actions << u"default"_s << QString();
    QVariantMap hints;
    if (request.sound)
        hints.insert(u"sound-name"_s, u"message-new-instant"_s);

    QDBusMessage message = call(u"Notify"_s);
    // Never expires: like a delivered reminder it waits until answered or replaced.
    message << u"Tovi"_s << uint(0) << QString() << request.title << request.body << actions << hints
            << int(0);
    if (!m_bus.isConnected()) {
        Q_EMIT postFailed(request.identifier);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    const QString identifier = request.identifier;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request, identifier, generation](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<uint> reply = *w;
                if (reply.isError()) {
                    Log::line(u"Tovi: 通知发送失败："_s + reply.error().message());
                    if (m_generation.value(identifier) == generation)
                        Q_EMIT postFailed(identifier);
                    return;
                }
                const uint id = reply.value();
                if (m_generation.value(identifier) != generation) {
                    // Replaced or removed while the server was answering.
                    m_bus.call(call(u"CloseNotification"_s) << id, QDBus::NoBlock);
                    return;
                }
                m_idsByIdentifier.insert(identifier, id);
                m_live.insert(id, request);
            });
}

void DBusNotificationCenter::remove(const QString& identifier) {
    ++m_generation[identifier];
    m_orphans.remove(identifier);
    const uint id = m_idsByIdentifier.take(identifier);
    if (id == 0)
        return;
    // Forgotten first: the close that follows is ours, never the user's.
    m_live.remove(id);
    if (m_bus.isConnected())
        m_bus.call(call(u"CloseNotification"_s) << id, QDBus::NoBlock);
}

uint DBusNotificationCenter::serverId(const QString& identifier) const {
    return m_idsByIdentifier.value(identifier);
}

void DBusNotificationCenter::handleActionInvoked(uint id, const QString& actionKey) {
    const auto live = m_live.constFind(id);
    if (live == m_live.cend())
        return;
    const NotificationResponse response{live->identifier, live->categoryIdentifier, actionKey};
    // Servers close a notification after its action, often as if the user had
    // dismissed it; that close must not count as a second answer.
    m_live.erase(live);
    m_idsByIdentifier.remove(response.identifier);
    m_bus.call(call(u"CloseNotification"_s) << id, QDBus::NoBlock);
    Q_EMIT responded(response);
}

void DBusNotificationCenter::handleClosed(uint id, uint reason) {
    const auto live = m_live.constFind(id);
    if (live == m_live.cend())
        return;
    const NotificationResponse response{live->identifier, live->categoryIdentifier, dismissActionIdentifier};
    m_live.erase(live);
    m_idsByIdentifier.remove(response.identifier);
    // Expired (1) and closed through the API (3) are not the user's answer.
    if (reason != closedByUser)
        return;
    const auto category = m_categories.constFind(response.categoryIdentifier);
    if (category != m_categories.cend() && category->customDismiss)
        Q_EMIT responded(response);
}

void DBusNotificationCenter::serverOwnerChanged(const QString& newOwner) {
    // A restarted server has lost what the old one showed; the user has not
    // answered it, so it goes up again rather than waiting for its next repeat.
    for (const NotificationRequest& request : std::as_const(m_live))
        m_orphans.insert(request.identifier, request);
    m_live.clear();
    m_idsByIdentifier.clear();
    if (!newOwner.isEmpty()) {
        const QList<NotificationRequest> orphans = m_orphans.values();
        for (const NotificationRequest& request : orphans)
            post(request);
    }
    Q_EMIT serverChanged();
}

#include "NotificationCenter.moc"
