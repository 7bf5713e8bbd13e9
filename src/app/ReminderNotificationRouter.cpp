#include "ReminderNotificationRouter.h"

ReminderNotificationRouter::ReminderNotificationRouter(NotificationCenter* center, QObject* parent)
    : QObject(parent)
    , m_center(center) {}

void ReminderNotificationRouter::becomeDelegate() {
    if (!m_center || m_isDelegate)
        return;
    m_isDelegate = true;
    // Queued: a handler may open a modal alert, which must not run inside the
    // centre's own signal delivery.
    connect(
        m_center, &NotificationCenter::responded, this,
        [this](const NotificationResponse& response) { didReceive(response); }, Qt::QueuedConnection);
}

bool ReminderNotificationRouter::didReceive(const NotificationResponse& response) {
    // A copy: a handler may replace the list while it runs.
    const QList<Handler> handlers = actionHandlers;
    bool consumed = false;
    for (const Handler& handler : handlers) {
        if (handler && handler(response)) {
            consumed = true;
            break;
        }
    }
    Q_EMIT responseCompleted(response, consumed);
    return consumed;
}
