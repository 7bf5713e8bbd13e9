#pragma once

#include "FakeAlerts.h"
#include "FakeClock.h"
#include "FakeNotificationCenter.h"
#include "TestEnvironment.h"
#include "platform/Defaults.h"
#include "platform/WorkspaceEvents.h"
#include "reminders/ReminderEngine.h"
#include "reminders/ReminderRows.h"
#include "stats/StatsStore.h"

// Both reminders over one fake clock, store, alert script and notification centre.
struct ReminderRig {
    explicit ReminderRig(const QDateTime& start = localTime(2025, 3, 3, 10, 0))
        : clock(start)
        , base(TestEnvironment::freshDirectory(QStringLiteral("reminders")))
        , defaults(base + QStringLiteral("/Tovi.conf"))
        , store(base)
        , hydration(ReminderRows::hydration(), services())
        , pelvic(ReminderRows::pelvicFloor(), services()) {}

    ReminderServices services() { return {&defaults, &center, &alerts, &store, &workspace}; }
    ReminderEngine& engine(const QString& twin) {
        return twin == QStringLiteral("pelvic") ? pelvic : hydration;
    }
    // Starts `twin` and lets its first reminder come due and fire.
    ReminderEngine& fired(const QString& twin) {
        ReminderEngine& e = engine(twin);
        e.start();
        clock.advanceSeconds(e.intervalMinutes() * 60.0);
        e.reminderTimerFired();
        return e;
    }
    QList<StatsEvent> eventsOf(StatsEventType type) const {
        return ofType(store.events(clock.now().addDays(-3), clock.now().addDays(3)), type);
    }

    FakeClock clock;
    QString base;
    Defaults defaults;
    StatsStore store;
    FakeAlerts alerts;
    FakeNotificationCenter center;
    WorkspaceEvents workspace;
    ReminderEngine hydration;
    ReminderEngine pelvic;
};
