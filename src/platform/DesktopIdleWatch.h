#pragma once

#include "IdleWatch.h"

#include <QDBusConnection>
#include <QDateTime>
#include <functional>
#include <vector>

class IdleSource;

// The first source in the table that can tell idle time answers. In a
// Wayland session the compositor's own sources come first and XWayland's
// counter is left out: it would call the user away while they type into
// native windows.
class DesktopIdleWatch final : public IdleWatch {
    Q_OBJECT
public:
    struct Row {
        QString name;
        // Whether the row is asked in a Wayland session and in an X11 one.
        bool wayland;
        bool x11;
        std::function<IdleSource*(QObject* parent)> make;
    };
    explicit DesktopIdleWatch(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                              QObject* parent = nullptr);
    // A table of the caller's, for tests.
    DesktopIdleWatch(std::vector<Row> rows, bool waylandSession, QObject* parent = nullptr);

    bool watch(qint64 seconds) override;
    void stop() override;
    QString sourceName() const override;

    static bool waylandSession();

private:
    void sourceIdled(qint64 idleMs);
    void sourceResumed(qint64 sinceInputMs);
    void logAnswer(const QString& name);

    std::vector<Row> m_rows;
    std::vector<IdleSource*> m_sources;
    bool m_wayland;
    int m_answering = -1;
    QString m_logged;
    bool m_loggedOnce = false;
    // Set while away: the stretch's length at `idled`, and when that was.
    qint64 m_idleMs = 0;
    QDateTime m_idledAt;
};
