#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "reminders/ReminderProfile.h"

class QAction;
class QMenu;
class ReminderEngine;

// One reminder's block of the status menu: heading, status line, switch,
// interval submenu with presets and the dialog entry, and the record command.
class ReminderMenuSection final : public QObject {
    Q_OBJECT
public:
    // The interval a user may type, in minutes.
    static constexpr qint64 minInterval = 1;
    static constexpr qint64 maxInterval = 480;
    static QString invalidIntervalText();

    ReminderMenuSection(ReminderEngine* reminder, QObject* parent = nullptr);

    void addTo(QMenu* menu);
    // Titles and marks from the manager's state.
    void refresh();
    void refreshStatus();

Q_SIGNALS:
    void toggleRequested();
    void intervalSelected(qint64 minutes);
    void intervalDialogRequested();
    void recordRequested();

private:
    ReminderEngine* const m_manager;
    const ReminderMenuText& m_text;
    QAction* m_status = nullptr;
    QAction* m_toggle = nullptr;
    QAction* m_interval = nullptr;
    QList<QAction*> m_presets;
};
