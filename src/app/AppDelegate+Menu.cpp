#include "AppDelegate.h"

#include "ReminderMenuSection.h"
#include "ToviCopy.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/LoginItemService.h"
#include "platform/TrayHosts.h"
#include "reminders/HydrationReminderManager.h"
#include "reminders/PelvicFloorReminderManager.h"
#include "rest/RestCycle.h"
#include "themes/RestTheme.h"
#include "themes/WallpaperManager.h"
#include "ui/StatusIcon.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

namespace {
const char* const commandProperty = "toviCommand";

void setCommand(QAction* entry, AppDelegate::MenuCommand command) {
    entry->setProperty(commandProperty, int(command));
}

QAction* addDisabled(QMenu* menu, const QString& title) {
    QAction* entry = menu->addAction(title);
    entry->setEnabled(false);
    return entry;
}
} // namespace

QString AppDelegate::menuHeaderTitle() {
    return u"Tovi · 祝你长命百岁，身体倍儿棒 🙏"_s;
}

AppDelegate::MenuCommand AppDelegate::commandOf(const QAction* entry) {
    const QVariant value = entry->property(commandProperty);
    return value.isValid() ? MenuCommand(value.toInt()) : MenuCommand::none;
}

void AppDelegate::configureStatusItem() {
    // Qt picks the tray protocol once, with the first icon: made before any
    // tray runs, it would never reach a StatusNotifierItem host that comes later.
    if (m_services.trayHosts && !m_services.trayHosts->available()) {
        connect(m_services.trayHosts, &TrayHosts::appeared, this, &AppDelegate::createStatusItem,
                Qt::SingleShotConnection);
        return;
    }
    createStatusItem();
}

void AppDelegate::createStatusItem() {
    if (statusItem)
        return;
    statusItem = new QSystemTrayIcon(this);
    statusItem->setToolTip(u"Tovi: 菜单栏状态续命搭子"_s);
    statusItem->setIcon(makeStatusBarIcon());
    // A tray-only program opens its menu on a left click as well.
    connect(statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            popUpStatusMenu();
    });
    if (m_statusMenu) {
        statusItem->setContextMenu(m_statusMenu);
        statusItem->show();
    }
}

QAction* AppDelegate::addCommand(QMenu* menu, const QString& title, void (AppDelegate::*action)()) {
    QAction* entry = menu->addAction(title);
    connect(entry, &QAction::triggered, this, action);
    return entry;
}

void AppDelegate::setupMenu() {
    delete m_statusMenu;
    modeMenuItems.clear();
    m_statusMenu = new QMenu;
    QMenu* menu = m_statusMenu;
    connect(menu, &QMenu::aboutToShow, this, [this] {
        m_statusMenuOpenedAt = Clock::now();
        setStatusLine(m_statusLine);
        updateReminderCountdownMenuTitles();
        menuWillOpen(m_statusMenu);
    });
    connect(menu, &QMenu::aboutToHide, this, [this] { m_statusMenuOpenedAt.reset(); });

    addDisabled(menu, menuHeaderTitle());
    menu->addSeparator();
    addDisabled(menu, u"👁 护眼休息"_s);
    statusMenuItem = addDisabled(menu, u"⏳ 系统自检中，别急"_s);
    addCommand(menu, u"    立即闭眼充能"_s, &AppDelegate::triggerRestNow);
    menu->addAction(u"    护眼节奏"_s)->setMenu(makeRestModeSubMenu());
    menu->addAction(u"    切换休息主题"_s)->setMenu(makeThemeSubMenu());
    menu->addSeparator();
    m_hydrationSection->addTo(menu);
    menu->addSeparator();
    m_pelvicFloorSection->addTo(menu);
    menu->addSeparator();
    menu->addAction(u"📊 健康统计"_s)->setMenu(makeReportSubMenu());
    menu->addSeparator();
    launchAtLoginItem = addCommand(menu, u"开机自启"_s, &AppDelegate::toggleLaunchAtLogin);
    launchAtLoginItem->setCheckable(true);
    launchAtLoginItem->setChecked(m_services.loginItems && m_services.loginItems->isEnabled());
    menu->addSeparator();
    addCommand(menu, u"关于 Tovi"_s, &AppDelegate::showAbout);
    addCommand(menu, u"退出"_s, &AppDelegate::quitApp);

    if (statusItem) {
        statusItem->setContextMenu(m_statusMenu);
        statusItem->show();
    }
}

QMenu* AppDelegate::makeRestModeSubMenu() {
    auto* menu = new QMenu(m_statusMenu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { menuWillOpen(menu); });
    restModeSummaryMenuItem = addDisabled(menu, QString());
    menu->addSeparator();
    for (const RestMode& mode : restModePresets) {
        QAction* entry = menu->addAction(RestModes::title(mode));
        entry->setCheckable(true);
        entry->setData(mode.tag);
        setCommand(entry, MenuCommand::selectMode);
        connect(entry, &QAction::triggered, this, [this, tag = mode.tag] { selectMode(tag); });
        modeMenuItems.insert(mode.tag, entry);
    }
    menu->addSeparator();
    customRestModeMenuItem = menu->addAction(QString());
    customRestModeMenuItem->setCheckable(true);
    customRestModeMenuItem->setData(customRestModeTag);
    setCommand(customRestModeMenuItem, MenuCommand::selectMode);
    connect(customRestModeMenuItem, &QAction::triggered, this, [this] { selectMode(customRestModeTag); });
    addCommand(menu, u"手动输入时长..."_s, &AppDelegate::showCustomRestModeDialog);
    updateRestModeMenuItems();
    return menu;
}

QMenu* AppDelegate::makeThemeSubMenu() {
    auto* menu = new QMenu(m_statusMenu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { menuWillOpen(menu); });
    for (RestTheme theme : RestThemes::allCases()) {
        QAction* entry = menu->addAction(RestThemes::displayName(theme));
        entry->setCheckable(true);
        entry->setData(RestThemes::rawValue(theme));
        setCommand(entry, MenuCommand::selectTheme);
        connect(entry, &QAction::triggered, this, [this, entry] { selectTheme(entry); });
        refreshDynamicState(entry);
    }
    return menu;
}

QMenu* AppDelegate::makeReportSubMenu() {
    auto* menu = new QMenu(m_statusMenu);
    addCommand(menu, u"查看今日日报"_s, &AppDelegate::showTodayReport);
    addCommand(menu, u"查看本周周报"_s, &AppDelegate::showThisWeekReport);
    addCommand(menu, u"查看本月月报"_s, &AppDelegate::showThisMonthReport);
    return menu;
}

// --- refreshing

void AppDelegate::menuWillOpen(QMenu* menu) {
    updateRestModeMenuItems();
    updateHydrationMenuItems();
    updatePelvicFloorMenuItems();
    for (QAction* entry : menu->actions())
        refreshDynamicState(entry);
    if (menu == m_statusMenu && launchAtLoginItem && m_services.loginItems)
        launchAtLoginItem->setChecked(m_services.loginItems->isEnabled());
}

void AppDelegate::refreshDynamicState(QAction* entry) {
    switch (commandOf(entry)) {
    case MenuCommand::none:
        break;
    case MenuCommand::selectTheme:
        if (entry->data().isValid())
            entry->setChecked(entry->data().toString() == m_themes->storedRawValue());
        break;
    case MenuCommand::selectMode:
        entry->setChecked(entry->data().toLongLong() == m_selectedRestModeTag);
        break;
    }
}

void AppDelegate::updateRestModeMenuItems() {
    if (restModeSummaryMenuItem)
        restModeSummaryMenuItem->setText(
            u"当前节奏："_s +
            RestModes::title({m_selectedRestModeTag, m_cycle->workDuration(), m_cycle->restDuration()}));
    for (auto it = modeMenuItems.cbegin(); it != modeMenuItems.cend(); ++it)
        it.value()->setChecked(it.key() == m_selectedRestModeTag);
    if (!customRestModeMenuItem)
        return;
    if (const auto custom = savedCustomRestMode()) {
        customRestModeMenuItem->setText(u"自定义节奏："_s + RestModes::title(*custom));
        customRestModeMenuItem->setEnabled(true);
        customRestModeMenuItem->setChecked(m_selectedRestModeTag == customRestModeTag);
    } else {
        customRestModeMenuItem->setText(u"自定义节奏：尚未设置"_s);
        customRestModeMenuItem->setEnabled(false);
        customRestModeMenuItem->setChecked(false);
    }
}

void AppDelegate::updateHydrationMenuItems() {
    m_hydrationSection->refresh();
}

void AppDelegate::updatePelvicFloorMenuItems() {
    m_pelvicFloorSection->refresh();
}

// --- commands

void AppDelegate::selectTheme(QAction* entry) {
    const auto theme = entry ? RestThemes::fromRawValue(entry->data().toString()) : std::nullopt;
    if (!theme)
        return;
    m_themes->select(*theme);
    prefetchWallpaperForCurrentThemeIfNeeded();
}

void AppDelegate::toggleHydrationReminder() {
    hydrationReminderManager->setEnabled(!hydrationReminderManager->isEnabled());
    updateHydrationMenuItems();
}

void AppDelegate::togglePelvicFloorReminder() {
    pelvicFloorReminderManager->setEnabled(!pelvicFloorReminderManager->isEnabled());
    updatePelvicFloorMenuItems();
}

void AppDelegate::selectHydrationInterval(qint64 minutes) {
    hydrationReminderManager->setInterval(minutes);
    updateHydrationMenuItems();
}

void AppDelegate::selectPelvicFloorInterval(qint64 minutes) {
    pelvicFloorReminderManager->setInterval(minutes);
    updatePelvicFloorMenuItems();
}

void AppDelegate::recordHydrationDrink() {
    if (!hydrationReminderManager->showReminderAlert(StatsEventSource::manual))
        return;
    updateHydrationMenuItems();
    hydrationReminderManager->ensureFreshDrinkCount();
    setTransientStatus(ToviCopy::hydrationLoggedLine(hydrationReminderManager->count()), 5.0);
}

void AppDelegate::recordPelvicFloorCompletion() {
    if (!pelvicFloorReminderManager->showReminderAlert(StatsEventSource::manual))
        return;
    updatePelvicFloorMenuItems();
    pelvicFloorReminderManager->ensureFreshCompletionCount();
    setTransientStatus(ToviCopy::pelvicFloorLoggedLine(pelvicFloorReminderManager->count()), 5.0);
}

void AppDelegate::popUpStatusMenu() {
    if (!m_statusMenu || m_statusMenu->isVisible())
        return;
    const QRect icon = statusItem ? statusItem->geometry() : QRect();
    m_statusMenu->popup(icon.isValid() ? icon.bottomLeft() : QCursor::pos());
}
