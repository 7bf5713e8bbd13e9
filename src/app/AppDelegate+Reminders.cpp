#include "AppDelegate.h"

#include "ReminderMenuSection.h"

#include "ReminderNotificationRouter.h"
#include "ReminderSkipFeedbackPresenter.h"
#include "ToviCopy.h"
#include "platform/NotificationCenter.h"
#include "reminders/HydrationReminderManager.h"
#include "reminders/PelvicFloorReminderManager.h"

#include <QAction>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace {
// Runs `work` on a later turn of the main loop, if the delegate still exists.
void later(const QPointer<AppDelegate>& self, std::function<void(AppDelegate*)> work) {
    if (!self)
        return;
    QMetaObject::invokeMethod(
        self.data(),
        [self, work] {
            if (self)
                work(self.data());
        },
        Qt::QueuedConnection);
}

template <typename Manager>
void installCallbacks(AppDelegate* app, Manager* manager, void (AppDelegate::*updateMenu)(),
                      ReminderSkipFeedbackKind kind) {
    const QPointer<AppDelegate> self(app);
    manager->shouldDeferReminder = [self] { return self && self->isResting(); };
    manager->onStateChange = [self, updateMenu] {
        later(self, [updateMenu](AppDelegate* a) { (a->*updateMenu)(); });
    };
    manager->onReminderSkipped = [self, kind](const QString& message) {
        later(self, [kind, message](AppDelegate* a) {
            a->setTransientStatus(message, 5.0);
            a->skipFeedbackPresenter()->present(kind, message);
        });
    };
}
} // namespace

void AppDelegate::createReminders() {
    const ReminderServices services{m_services.defaults, m_services.notifications, m_services.alerts,
                                    statsStore, m_services.workspaceEvents};
    hydrationReminderManager = new HydrationReminderManager(ToviCopy::hydrationCopy(), services, this);
    pelvicFloorReminderManager = new PelvicFloorReminderManager(ToviCopy::pelvicFloorCopy(), services, this);
    reminderNotificationRouter = new ReminderNotificationRouter(m_services.notifications, this);
    reminderSkipFeedbackPresenter = new ReminderSkipFeedbackPresenter(m_services.screens, this);

    m_hydrationSection = new ReminderMenuSection(hydrationReminderManager,
                                                 {u"💧 喝水提醒"_s,
                                                  u"喝水提醒"_s,
                                                  u"    立即喝水"_s,
                                                  u"设置喝水提醒间隔"_s,
                                                  u"喝水提醒会按输入的间隔循环运行，并在下次启动时保留。"_s,
                                                  u"自动喝水间隔无效"_s,
                                                  {30, 45, 60, 90}},
                                                 this);
    m_pelvicFloorSection = new ReminderMenuSection(pelvicFloorReminderManager,
                                                   {u"🫧 提肛提醒"_s,
                                                    u"提肛提醒"_s,
                                                    u"    立即提肛"_s,
                                                    u"设置提肛提醒间隔"_s,
                                                    u"提肛提醒会按输入的间隔循环运行，并在下次启动时保留。"_s,
                                                    u"自动提肛间隔无效"_s,
                                                    {30, 60, 90, 120}},
                                                   this);
    const auto wire = [this](ReminderMenuSection* section, void (AppDelegate::*toggle)(),
                             void (AppDelegate::*select)(qint64), void (AppDelegate::*dialog)(),
                             void (AppDelegate::*record)()) {
        connect(section, &ReminderMenuSection::toggleRequested, this, toggle);
        connect(section, &ReminderMenuSection::intervalSelected, this, select);
        connect(section, &ReminderMenuSection::intervalDialogRequested, this, dialog);
        connect(section, &ReminderMenuSection::recordRequested, this, record);
    };
    wire(m_hydrationSection, &AppDelegate::toggleHydrationReminder, &AppDelegate::selectHydrationInterval,
         &AppDelegate::showHydrationIntervalDialog, &AppDelegate::recordHydrationDrink);
    wire(m_pelvicFloorSection, &AppDelegate::togglePelvicFloorReminder,
         &AppDelegate::selectPelvicFloorInterval, &AppDelegate::showPelvicFloorIntervalDialog,
         &AppDelegate::recordPelvicFloorCompletion);
}

void AppDelegate::configureHydrationReminder() {
    installCallbacks(this, hydrationReminderManager, &AppDelegate::updateHydrationMenuItems,
                     ReminderSkipFeedbackKind::hydration);
}

void AppDelegate::configurePelvicFloorReminder() {
    installCallbacks(this, pelvicFloorReminderManager, &AppDelegate::updatePelvicFloorMenuItems,
                     ReminderSkipFeedbackKind::pelvicFloor);
}

void AppDelegate::configureReminderNotifications() {
    const QList<NotificationCategory> categories{
        {hydrationReminderManager->profile().categoryIdentifier,
         hydrationReminderManager->profile().confirmActionIdentifier, ToviCopy::hydrationActionTitle(), true},
        {pelvicFloorReminderManager->profile().categoryIdentifier,
         pelvicFloorReminderManager->profile().confirmActionIdentifier, ToviCopy::pelvicFloorActionTitle(),
         true},
    };
    const QPointer<AppDelegate> self(this);
    reminderNotificationRouter->actionHandlers = {
        [self](const NotificationResponse& r) {
            return self && self->hydrationReminderManager->handleNotificationResponse(r);
        },
        [self](const NotificationResponse& r) {
            return self && self->pelvicFloorReminderManager->handleNotificationResponse(r);
        },
    };
    if (NotificationCenter* center = reminderNotificationRouter->notificationCenter())
        center->setCategories(categories);
    reminderNotificationRouter->becomeDelegate();
}

void AppDelegate::startReminders() {
    hydrationReminderManager->start();
    pelvicFloorReminderManager->start();
}

void AppDelegate::stopReminders() {
    hydrationReminderManager->stop();
    pelvicFloorReminderManager->stop();
}

void AppDelegate::retryDeferredRemindersAfterRest() {
    hydrationReminderManager->retryDeferredReminderAfterRest();
    pelvicFloorReminderManager->retryDeferredReminderAfterRest();
}
