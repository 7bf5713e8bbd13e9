#pragma once

#include "FakeAlerts.h"
#include "FakeClock.h"
#include "FakeNotificationCenter.h"
#include "FakePresence.h"
#include "FakeScreens.h"
#include "FakeWallpapers.h"
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "platform/Defaults.h"
#include "platform/LoginItemService.h"
#include "platform/WorkspaceEvents.h"
#include "stats/StatsStore.h"

#include <memory>

class QAction;
class QMenu;

// One AppDelegate over fakes, in a fresh directory, on a fake clock at
// 2025-03-03 10:00 local time, with two 1080p screens side by side. Settings
// are "key=value" strings written before the delegate is made.
struct AppFixture {
    explicit AppFixture(const QStringList& settings = {}, LoginItemService* loginItems = nullptr);
    ~AppFixture();

    void launch() { app->applicationDidFinishLaunching(); }
    // Quits and starts a new delegate over the same settings and store; not launched.
    void restart();
    QList<StatsEvent> events() const;
    QList<StatsEvent> eventsOf(StatsEventType type) const;
    QString status() const { return app->statusLine(); }
    QMenu* menu() const { return app->statusMenu(); }
    // The entry titled `title` anywhere in the status menu; null when none is.
    QAction* entry(const QString& title) const;

    FakeClock clock;
    QString base;
    Defaults defaults;
    StatsStore store;
    FakeAlerts alerts;
    FakeScreens screens;
    FakeNotificationCenter center;
    WorkspaceEvents workspace;
    XdgAutostartLoginItem loginItems;
    FakeWallpapers wallpapers;
    FakeBusyState busy;
    FakeIdleWatch idle;
    FakeMotionPreference motion;
    LoginItemService* loginService;
    QStringList log;
    std::unique_ptr<AppDelegate> app;
};
