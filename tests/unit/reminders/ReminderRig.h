#pragma once

#include "FakeAlerts.h"
#include "FakeClock.h"
#include "FakeNotificationCenter.h"
#include "TestEnvironment.h"
#include "app/ToviCopy.h"
#include "platform/Defaults.h"
#include "platform/WorkspaceEvents.h"
#include "reminders/HydrationReminderManager.h"
#include "reminders/PelvicFloorReminderManager.h"
#include "stats/StatsStore.h"

// Both reminders over one fake clock, store, alert script and notification centre.
struct ReminderRig {
    explicit ReminderRig(const QDateTime& start)
        : clock(start)
        , base(TestEnvironment::freshDirectory(QStringLiteral("reminders")))
        , defaults(base + QStringLiteral("/Tovi.conf"))
        , store(base)
        , hydration(ToviCopy::hydrationCopy(), services())
        , pelvic(ToviCopy::pelvicFloorCopy(), services()) {
        for (ReminderEngine* e :
             {static_cast<ReminderEngine*>(&hydration), static_cast<ReminderEngine*>(&pelvic)})
            e->onStateChange = [this] { ++stateChanges; };
    }

    ReminderServices services() { return {&defaults, &center, &alerts, &store, &workspace}; }
    ReminderEngine& engine(const QString& twin) {
        return twin == QStringLiteral("pelvic") ? static_cast<ReminderEngine&>(pelvic) : hydration;
    }
    QList<StatsEvent> events() const { return store.events(clock.now().addDays(-3), clock.now().addDays(3)); }
    QList<StatsEvent> eventsOf(StatsEventType type) const { return ofType(events(), type); }

    FakeClock clock;
    QString base;
    Defaults defaults;
    StatsStore store;
    FakeAlerts alerts;
    FakeNotificationCenter center;
    WorkspaceEvents workspace;
    int stateChanges = 0;
    HydrationReminderManager hydration;
    PelvicFloorReminderManager pelvic;
};
