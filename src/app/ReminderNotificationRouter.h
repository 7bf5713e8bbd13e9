#pragma once

#include "platform/NotificationCenter.h"

#include <QList>
#include <QObject>
#include <functional>

// Hands each notification response to the reminders, in order, until one
// takes it.
class ReminderNotificationRouter : public QObject {
    Q_OBJECT
public:
    // True when the handler consumed the response; later ones are not asked.
    using Handler = std::function<bool(const NotificationResponse&)>;

    explicit ReminderNotificationRouter(NotificationCenter* center, QObject* parent = nullptr);

    NotificationCenter* notificationCenter() const { return m_center; }
    QList<Handler> actionHandlers;

    // Starts taking the centre's responses, each on a later turn of the event loop.
    void becomeDelegate();
    // Offers the response to the handlers; true when one consumed it.
    bool didReceive(const NotificationResponse& response);

Q_SIGNALS:
    // Once per response, after the handlers, whether or not one consumed it.
    void responseCompleted(const NotificationResponse& response, bool consumed);

private:
    NotificationCenter* m_center;
    bool m_isDelegate = false;
};
