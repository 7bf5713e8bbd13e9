#include "AppDelegate.h"

#include "ReminderNotificationRouter.h"
#include "ReminderSkipFeedbackPresenter.h"
#include "RestHeadsUp.h"
#include "platform/NotificationCenter.h"
#include "reminders/ReminderEngine.h"
#include "reminders/ReminderRows.h"

using namespace Qt::StringLiterals;

void AppDelegate::createReminders() {
    const ReminderServices services{m_services.defaults, m_services.notifications, m_services.alerts,
                                    statsStore, m_services.workspaceEvents};
    reminderNotificationRouter = new ReminderNotificationRouter(m_services.notifications, this);
    reminderSkipFeedbackPresenter = new ReminderSkipFeedbackPresenter(m_services.screens, this);
    for (const ReminderRow& row : ReminderRows::all()) {
        auto* reminder = new ReminderEngine(row, services, this);
        m_reminders << reminder;
        // Queued: the engine reports from inside its own work, an alert's loop included.
        connect(
            reminder, &ReminderEngine::skipped, this,
            [this, title = row.copy.skippedToastTitle](const QString& line) {
                setTransientStatus(line, 5.0);
                reminderSkipFeedbackPresenter->present(title, line);
            },
            Qt::QueuedConnection);
        reminderNotificationRouter->actionHandlers << [reminder](const NotificationResponse& response) {
            return reminder->handleNotificationResponse(response);
        };
    }
}

void AppDelegate::configureReminderNotifications() {
    QList<NotificationCategory> categories;
    for (const ReminderEngine* reminder : std::as_const(m_reminders)) {
        const ReminderRow& row = reminder->row();
        categories << NotificationCategory{row.profile.categoryIdentifier,
                                           {{row.profile.confirmActionIdentifier, row.copy.confirmButton},
                                            {row.profile.snoozeActionIdentifier, row.copy.snoozeButton}},
                                           true};
    }
    categories << RestHeadsUp::categories();
    if (NotificationCenter* center = reminderNotificationRouter->notificationCenter())
        center->setCategories(categories);
    reminderNotificationRouter->becomeDelegate();
}

void AppDelegate::startReminders() {
    for (ReminderEngine* reminder : std::as_const(m_reminders))
        reminder->start();
}

void AppDelegate::stopReminders() {
    for (ReminderEngine* reminder : std::as_const(m_reminders))
        reminder->stop();
}
