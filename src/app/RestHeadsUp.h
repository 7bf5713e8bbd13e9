#pragma once

#include "rest/RestGate.h"

#include <QObject>

class Commands;
class NotificationCenter;
struct NotificationCategory;
struct NotificationResponse;

// The rest gate's heads-up as a desktop notification, and its buttons back
// to the gate. Without a server there is no heads-up: never an alert in its place.
class RestHeadsUp final : public QObject {
    Q_OBJECT
public:
    static inline const QString identifier = QStringLiteral("rest-heads-up");

    RestHeadsUp(NotificationCenter* center, RestGate* gate, Commands* commands, QObject* parent = nullptr);

    static QList<NotificationCategory> categories();
    // True when the response was the heads-up's.
    bool handle(const NotificationResponse& response);

private:
    void show(RestGate::HeadsUp headsUp);

    NotificationCenter* const m_center;
    RestGate* const m_gate;
    Commands* const m_commands;
    bool m_posted = false;
};
