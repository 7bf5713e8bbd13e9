#include "TrayMenu.h"

#include "Commands.h"
#include "ReminderMenuSection.h"
#include "ToviCopy.h"
#include "platform/Clock.h"
#include "platform/LoginItemService.h"
#include "platform/TrayHosts.h"
#include "reminders/ReminderEngine.h"
#include "themes/RestTheme.h"
#include "ui/StatusIcon.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

namespace {
QAction* addDisabled(QMenu* menu, const QString& title) {
    QAction* entry = menu->addAction(title);
    entry->setEnabled(false);
    return entry;
}

// A one-of-many choice: shown with a radio mark.
QAction* addChoice(QMenu* menu, QActionGroup* group, const QString& title, const QVariant& data) {
    QAction* entry = menu->addAction(title);
    entry->setCheckable(true);
    entry->setData(data);
    group->addAction(entry);
    return entry;
}
} // namespace

const QList<qint64>& TrayMenu::pauseChoices() {
    static const QList<qint64> choices{30 * 60, 60 * 60, 2 * 60 * 60, 0};
    return choices;
}

TrayMenu::TrayMenu(Commands* commands, ThemeSetting* themes, LoginItemService* loginItems, QObject* parent)
    : QObject(parent)
    , m_commands(commands)
    , m_themes(themes)
    , m_loginItems(loginItems) {
    connect(m_commands, &Commands::stateChanged, this, [this] {
        refreshPause();
        refreshTray();
    });
}

TrayMenu::~TrayMenu() {
    delete m_menu;
}

QString TrayMenu::headerTitle() {
    return u"Tovi · 祝你长命百岁，身体倍儿棒 🙏"_s;
}

void TrayMenu::build(TrayHosts* hosts) {
    delete m_menu;
    m_sections.clear();
    m_menu = new QMenu;
    QMenu* menu = m_menu;
    connect(menu, &QMenu::aboutToShow, this, [this] {
        m_openedAt = Clock::now();
        setStatusLine(m_statusLine);
        willOpen(m_menu);
    });
    connect(menu, &QMenu::aboutToHide, this, [this] { m_openedAt.reset(); });

    addDisabled(menu, headerTitle());
    menu->addSeparator();
    addDisabled(menu, u"👁 护眼休息"_s);
    m_status = addDisabled(menu, m_statusLine.isEmpty() ? u"⏳ 系统自检中，别急"_s : m_statusLine);
    connect(menu->addAction(u"    立即闭眼充能"_s), &QAction::triggered, m_commands, &Commands::rest);
    menu->addAction(u"    护眼节奏"_s)->setMenu(makeRestModeSubMenu());
    menu->addAction(u"    暂停一下"_s)->setMenu(makePauseSubMenu());
    menu->addAction(u"    切换休息主题"_s)->setMenu(makeThemeSubMenu());
    QAction* headsUp = menu->addAction(u"    休息前 30 秒提醒我"_s);
    headsUp->setCheckable(true);
    headsUp->setChecked(m_commands->headsUpEnabled());
    connect(headsUp, &QAction::toggled, m_commands, &Commands::setHeadsUpEnabled);
    for (ReminderEngine* reminder : m_commands->reminders()) {
        menu->addSeparator();
        auto* section = new ReminderMenuSection(reminder, menu);
        connect(section, &ReminderMenuSection::toggleRequested, this, [this, reminder, section] {
            m_commands->setReminderEnabled(reminder, !reminder->isEnabled());
            section->refresh();
        });
        connect(section, &ReminderMenuSection::intervalSelected, this,
                [this, reminder, section](qint64 minutes) {
                    m_commands->setReminderInterval(reminder, minutes);
                    section->refresh();
                });
        connect(section, &ReminderMenuSection::intervalDialogRequested, this, [this, reminder, section] {
            Q_EMIT intervalDialogRequested(reminder);
            section->refresh();
        });
        connect(section, &ReminderMenuSection::recordRequested, this, [this, reminder, section] {
            m_commands->recordReminder(reminder);
            section->refresh();
        });
        // Queued: an engine announces from inside its own work.
        connect(reminder, &ReminderEngine::stateChanged, section, &ReminderMenuSection::refresh,
                Qt::QueuedConnection);
        section->addTo(menu);
        m_sections << section;
    }
    menu->addSeparator();
    menu->addAction(u"📊 健康统计"_s)->setMenu(makeReportSubMenu());
    menu->addSeparator();
    m_launchAtLogin = menu->addAction(u"开机自启"_s);
    m_launchAtLogin->setCheckable(true);
    m_launchAtLogin->setChecked(m_loginItems && m_loginItems->isEnabled());
    connect(m_launchAtLogin, &QAction::triggered, this, [this] {
        Q_EMIT launchAtLoginToggled();
        m_launchAtLogin->setChecked(m_loginItems && m_loginItems->isEnabled());
    });
    menu->addSeparator();
    connect(menu->addAction(u"关于 Tovi"_s), &QAction::triggered, this, &TrayMenu::aboutRequested);
    connect(menu->addAction(u"退出"_s), &QAction::triggered, this, &TrayMenu::quitRequested);
    refreshPause();

    // Qt picks the tray protocol once, with the first icon: made before any
    // tray runs, it would never reach a StatusNotifierItem host that comes later.
    if (m_icon) {
        m_icon->setContextMenu(m_menu);
    } else if (hosts && !hosts->available()) {
        connect(hosts, &TrayHosts::appeared, this, &TrayMenu::createIcon, Qt::SingleShotConnection);
    } else {
        createIcon();
    }
}

void TrayMenu::createIcon() {
    if (m_icon)
        return;
    m_icon = new QSystemTrayIcon(this);
    m_iconPaused = m_commands->state() == Commands::State::paused;
    m_icon->setIcon(makeStatusBarIcon(m_iconPaused));
    m_toolTip.clear();
    refreshTray();
    // A tray-only program opens its menu on a left click as well.
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            popUp();
    });
    m_icon->setContextMenu(m_menu);
    m_icon->show();
}

void TrayMenu::popUp() {
    if (!m_menu || m_menu->isVisible())
        return;
    const QRect icon = m_icon ? m_icon->geometry() : QRect();
    m_menu->popup(icon.isValid() ? icon.bottomLeft() : QCursor::pos());
}

QMenu* TrayMenu::makeRestModeSubMenu() {
    auto* menu = new QMenu(m_menu);
    connect(menu, &QMenu::aboutToShow, this, &TrayMenu::refreshRestModes);
    m_restModeSummary = addDisabled(menu, QString());
    menu->addSeparator();
    m_restModes = new QActionGroup(menu);
    for (const RestMode& mode : RestModes::presets())
        addChoice(menu, m_restModes, RestModes::title(mode), mode.tag);
    menu->addSeparator();
    m_customRestMode = addChoice(menu, m_restModes, QString(), RestModes::customTag);
    connect(m_restModes, &QActionGroup::triggered, this,
            [this](QAction* entry) { Q_EMIT restModeSelected(entry->data().toLongLong()); });
    connect(menu->addAction(u"手动输入时长..."_s), &QAction::triggered, this,
            &TrayMenu::customRestModeDialogRequested);
    refreshRestModes();
    return menu;
}

QMenu* TrayMenu::makePauseSubMenu() {
    auto* menu = new QMenu(m_menu);
    connect(menu, &QMenu::aboutToShow, this, &TrayMenu::refreshPause);
    for (const qint64 seconds : pauseChoices()) {
        connect(menu->addAction(ToviCopy::pauseChoiceTitle(seconds)), &QAction::triggered, this,
                [this, seconds] {
                    if (seconds)
                        m_commands->pause(seconds);
                    else
                        m_commands->pauseUntilTomorrow();
                });
    }
    menu->addSeparator();
    m_resume = menu->addAction(u"继续营业"_s);
    connect(m_resume, &QAction::triggered, m_commands, &Commands::resume);
    return menu;
}

QMenu* TrayMenu::makeThemeSubMenu() {
    auto* menu = new QMenu(m_menu);
    connect(menu, &QMenu::aboutToShow, this, &TrayMenu::refreshThemes);
    m_themeChoices = new QActionGroup(menu);
    for (RestTheme theme : RestThemes::allCases())
        addChoice(menu, m_themeChoices, RestThemes::displayName(theme), RestThemes::rawValue(theme));
    connect(m_themeChoices, &QActionGroup::triggered, this, [this](QAction* entry) {
        if (const auto theme = RestThemes::fromRawValue(entry->data().toString())) {
            m_themes->select(*theme);
            Q_EMIT themeSelected();
        }
        refreshThemes();
    });
    refreshThemes();
    return menu;
}

QMenu* TrayMenu::makeReportSubMenu() {
    auto* menu = new QMenu(m_menu);
    const auto add = [this, menu](const QString& title, StatsReportScope::Kind kind) {
        connect(menu->addAction(title), &QAction::triggered, this,
                [this, kind] { m_commands->openReport(kind); });
    };
    add(u"查看今日日报"_s, StatsReportScope::Kind::day);
    add(u"查看本周周报"_s, StatsReportScope::Kind::week);
    add(u"查看本月月报"_s, StatsReportScope::Kind::month);
    return menu;
}

// --- refreshing

void TrayMenu::willOpen(QMenu* menu) {
    refreshRestModes();
    refreshThemes();
    refreshPause();
    for (ReminderMenuSection* section : std::as_const(m_sections))
        section->refresh();
    if (menu == m_menu && m_launchAtLogin && m_loginItems)
        m_launchAtLogin->setChecked(m_loginItems->isEnabled());
}

void TrayMenu::showRestModes(qint64 selectedTag, const RestMode& current,
                             const std::optional<RestMode>& custom) {
    m_selectedTag = selectedTag;
    m_current = current;
    m_custom = custom;
    refreshRestModes();
}

void TrayMenu::refreshRestModes() {
    if (!m_restModes)
        return;
    m_restModeSummary->setText(u"当前节奏："_s + RestModes::title(m_current));
    if (m_custom) {
        m_customRestMode->setText(u"自定义节奏："_s + RestModes::title(*m_custom));
        m_customRestMode->setEnabled(true);
    } else {
        m_customRestMode->setText(u"自定义节奏：尚未设置"_s);
        m_customRestMode->setEnabled(false);
    }
    for (QAction* entry : m_restModes->actions())
        entry->setChecked(entry->data().toLongLong() == m_selectedTag && entry->isEnabled());
}

void TrayMenu::refreshThemes() {
    if (!m_themeChoices)
        return;
    for (QAction* entry : m_themeChoices->actions())
        entry->setChecked(entry->data().toString() == m_themes->storedRawValue());
}

void TrayMenu::refreshPause() {
    if (m_resume)
        m_resume->setVisible(m_commands->pausedUntil().has_value());
}

void TrayMenu::refreshTray() {
    if (showsChanges()) {
        for (ReminderMenuSection* section : std::as_const(m_sections))
            section->refreshStatus();
    }
    const bool paused = m_commands->state() == Commands::State::paused;
    if (paused != m_iconPaused) {
        m_iconPaused = paused;
        if (m_icon)
            m_icon->setIcon(makeStatusBarIcon(paused));
    }
    const QString tip = m_commands->waitingFor().isEmpty()
                            ? ToviCopy::toolTip(m_commands->secondsToRest(),
                                                m_commands->pausedUntil().value_or(QDateTime()), Clock::now())
                            : ToviCopy::waitingToolTip();
    if (tip != m_toolTip) {
        m_toolTip = tip;
        if (m_icon)
            m_icon->setToolTip(tip);
    }
}

void TrayMenu::setStatusLine(const QString& text) {
    m_statusLine = text;
    if (m_status && m_status->text() != text && showsChanges())
        m_status->setText(text);
}

bool TrayMenu::showsChanges() const {
    // A menu exported over D-Bus sends every change to the tray host; while it
    // is closed that cost three wake-ups a second, for nobody. Some hosts never
    // say the menu closed: a minute after it opened it counts as closed.
    if (!m_menu || !m_menu->platformMenu() || m_menu->isVisible())
        return true;
    return m_openedAt && Clock::now() < m_openedAt->addSecs(60);
}
