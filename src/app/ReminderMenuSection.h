#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class ReminderEngine;

// What differs between the two reminder blocks of the status menu and their
// interval dialogs; everything else is ReminderMenuSection's, written once.
struct ReminderMenuText {
    QString heading;     // "💧 喝水提醒"
    QString name;        // "喝水提醒"
    QString recordTitle; // "    立即喝水"
    QString dialogTitle;
    QString dialogInformative;
    QString invalidTitle;
    QList<qint64> presets;
};

// One reminder's block of the status menu: heading, status line, switch,
// interval submenu with presets and the dialog entry, and the record command.
class ReminderMenuSection final : public QObject {
    Q_OBJECT
public:
    // The interval a user may type, in minutes.
    static constexpr qint64 minInterval = 1;
    static constexpr qint64 maxInterval = 480;
    static QString invalidIntervalText();

    ReminderMenuSection(ReminderEngine* manager, ReminderMenuText text, QObject* parent = nullptr);

    ReminderEngine* manager() const { return m_manager; }
    const ReminderMenuText& text() const { return m_text; }

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
    const ReminderMenuText m_text;
    QAction* m_status = nullptr;
    QAction* m_toggle = nullptr;
    QAction* m_interval = nullptr;
    QList<QAction*> m_presets;
};
