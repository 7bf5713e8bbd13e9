#pragma once

#include "platform/NotificationCenter.h"

#include <QHash>
#include <QList>
#include <QStringList>

// Keeps posted notifications in memory and answers authorisation at once;
// a test plays the user through respond().
class FakeNotificationCenter final : public NotificationCenter {
    Q_OBJECT
public:
    using NotificationCenter::NotificationCenter;

    void setCategories(const QList<NotificationCategory>& list) override { categories = list; }
    void checkAuthorization(QObject*, std::function<void(bool)> done) override { done(authorized); }
    void post(const NotificationRequest& request) override {
        posted << request;
        live.insert(request.identifier, request);
    }
    void remove(const QString& identifier) override {
        removed << identifier;
        live.remove(identifier);
    }

    // The user answers the live notification of `identifier`.
    void respond(const QString& identifier, const QString& action) {
        const NotificationRequest request = live.take(identifier);
        Q_EMIT responded({identifier, request.categoryIdentifier, action});
    }

    bool authorized = true;
    QList<NotificationCategory> categories;
    QList<NotificationRequest> posted;
    QStringList removed;
    QHash<QString, NotificationRequest> live;
};
