#include "AppDelegate.h"

#include "ToviCopy.h"
#include "platform/Defaults.h"
#include "platform/LoginItemService.h"
#include "platform/TrayHosts.h"
#include "reminders/HydrationReminderManager.h"
#include "reminders/PelvicFloorReminderManager.h"
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

AppDelegate::ReminderMenuBlock AppDelegate::hydrationBlock() {
    return {hydrationReminderManager,
            hydrationStatusMenuItem,
            hydrationToggleMenuItem,
            hydrationIntervalMenuItem,
            hydrationIntervalMenuItems,
            hydrationIntervalPresets,
            u"喝水提醒"_s,
            MenuCommand::toggleHydrationReminder,
            MenuCommand::selectHydrationInterval};
}

AppDelegate::ReminderMenuBlock AppDelegate::pelvicFloorBlock() {
    return {pelvicFloorReminderManager,
            pelvicFloorStatusMenuItem,
            pelvicFloorToggleMenuItem,
            pelvicFloorIntervalMenuItem,
            pelvicFloorIntervalMenuItems,
            pelvicFloorIntervalPresets,
            u"提肛提醒"_s,
            MenuCommand::togglePelvicFloorReminder,
            MenuCommand::selectPelvicFloorInterval};
}

void AppDelegate::setupMenu() {
    delete m_statusMenu;
    modeMenuItems.clear();
    hydrationIntervalMenuItems.clear();
    pelvicFloorIntervalMenuItems.clear();
    m_statusMenu = new QMenu;
    QMenu* menu = m_statusMenu;
    connect(menu, &QMenu::aboutToShow, this, [this] { menuWillOpen(m_statusMenu); });

    addDisabled(menu, menuHeaderTitle());
    menu->addSeparator();
    addDisabled(menu, u"👁 护眼休息"_s);
    statusMenuItem = addDisabled(menu, u"⏳ 系统自检中，别急"_s);
    addCommand(menu, u"    立即闭眼充能"_s, &AppDelegate::triggerRestNow);
    menu->addAction(u"    护眼节奏"_s)->setMenu(makeRestModeSubMenu());
    menu->addAction(u"    切换休息主题"_s)->setMenu(makeThemeSubMenu());
    menu->addSeparator();
    addReminderBlock(hydrationBlock(), u"💧 喝水提醒"_s, u"    立即喝水"_s,
                     &AppDelegate::toggleHydrationReminder, &AppDelegate::selectHydrationInterval,
                     &AppDelegate::showHydrationIntervalDialog, &AppDelegate::recordHydrationDrink);
    menu->addSeparator();
    addReminderBlock(pelvicFloorBlock(), u"🫧 提肛提醒"_s, u"    立即提肛"_s,
                     &AppDelegate::togglePelvicFloorReminder, &AppDelegate::selectPelvicFloorInterval,
                     &AppDelegate::showPelvicFloorIntervalDialog, &AppDelegate::recordPelvicFloorCompletion);
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

void AppDelegate::addReminderBlock(const ReminderMenuBlock& block, const QString& heading,
                                   const QString& recordTitle, void (AppDelegate::*toggle)(),
                                   void (AppDelegate::*selectInterval)(qint64),
                                   void (AppDelegate::*showDialog)(), void (AppDelegate::*record)()) {
    QMenu* menu = m_statusMenu;
    addDisabled(menu, heading);
    block.status = addDisabled(menu, QString());
    block.toggle = addCommand(menu, QString(), toggle);
    block.toggle->setCheckable(true);
    setCommand(block.toggle, block.toggleCommand);

    auto* intervals = new QMenu(m_statusMenu);
    connect(intervals, &QMenu::aboutToShow, this, [this, intervals] { menuWillOpen(intervals); });
    for (qint64 minutes : block.presets) {
        QAction* entry = intervals->addAction(u"每 %1 分钟"_s.arg(minutes));
        entry->setCheckable(true);
        entry->setData(minutes);
        setCommand(entry, block.intervalCommand);
        connect(entry, &QAction::triggered, this,
                [this, selectInterval, minutes] { (this->*selectInterval)(minutes); });
        block.intervalItems.insert(minutes, entry);
    }
    intervals->addSeparator();
    addCommand(intervals, u"手动输入间隔..."_s, showDialog);
    block.interval = menu->addAction(QString());
    block.interval->setMenu(intervals);
    addCommand(menu, recordTitle, record);
    updateReminderMenuItems(block);
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
            entry->setChecked(entry->data().toString() == RestThemes::selectedRawValue(*m_services.defaults));
        break;
    case MenuCommand::selectMode:
        entry->setChecked(entry->data().toLongLong() == selectedRestModeTag);
        break;
    case MenuCommand::toggleHydrationReminder:
        entry->setChecked(hydrationReminderManager->isEnabled());
        break;
    case MenuCommand::selectHydrationInterval:
        entry->setChecked(entry->data().toLongLong() == hydrationReminderManager->intervalMinutes());
        break;
    case MenuCommand::togglePelvicFloorReminder:
        entry->setChecked(pelvicFloorReminderManager->isEnabled());
        break;
    case MenuCommand::selectPelvicFloorInterval:
        entry->setChecked(entry->data().toLongLong() == pelvicFloorReminderManager->intervalMinutes());
        break;
    }
}

void AppDelegate::updateRestModeMenuItems() {
    if (restModeSummaryMenuItem)
        restModeSummaryMenuItem->setText(u"当前节奏："_s +
                                         RestModes::title({selectedRestModeTag, workDuration, restDuration}));
    for (auto it = modeMenuItems.cbegin(); it != modeMenuItems.cend(); ++it)
        it.value()->setChecked(it.key() == selectedRestModeTag);
    if (!customRestModeMenuItem)
        return;
    if (const auto custom = savedCustomRestMode()) {
        customRestModeMenuItem->setText(u"自定义节奏："_s + RestModes::title(*custom));
        customRestModeMenuItem->setEnabled(true);
        customRestModeMenuItem->setChecked(selectedRestModeTag == customRestModeTag);
    } else {
        customRestModeMenuItem->setText(u"自定义节奏：尚未设置"_s);
        customRestModeMenuItem->setEnabled(false);
        customRestModeMenuItem->setChecked(false);
    }
}

void AppDelegate::updateReminderMenuItems(const ReminderMenuBlock& block) {
    if (!block.manager)
        return;
    if (block.status)
        block.status->setText(block.manager->statusText());
    const bool enabled = block.manager->isEnabled();
    if (block.toggle) {
        block.toggle->setChecked(enabled);
        block.toggle->setText(u"    %1：%2"_s.arg(block.name, enabled ? u"已开启"_s : u"已关闭"_s));
    }
    const qint64 minutes = block.manager->intervalMinutes();
    if (block.interval)
        block.interval->setText(u"    %1间隔（当前每 %2 分钟）"_s.arg(block.name).arg(minutes));
    for (auto it = block.intervalItems.cbegin(); it != block.intervalItems.cend(); ++it)
        it.value()->setChecked(it.key() == minutes);
}

void AppDelegate::updateHydrationMenuItems() {
    updateReminderMenuItems(hydrationBlock());
}

void AppDelegate::updatePelvicFloorMenuItems() {
    updateReminderMenuItems(pelvicFloorBlock());
}

// --- commands

void AppDelegate::selectTheme(QAction* entry) {
    const auto theme = entry ? RestThemes::fromRawValue(entry->data().toString()) : std::nullopt;
    if (!theme)
        return;
    m_services.defaults->setString(RestThemes::settingsKey, RestThemes::rawValue(*theme));
    if (*theme == RestTheme::wallpaper && m_services.wallpapers)
        m_services.wallpapers->prefetchNextWallpaper();
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
