#include "ReminderMenuSection.h"

#include "reminders/ReminderEngine.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

using namespace Qt::StringLiterals;

QString ReminderMenuSection::invalidIntervalText() {
    return u"提醒间隔请输入 %1 到 %2 分钟。"_s.arg(minInterval).arg(maxInterval);
}

ReminderMenuSection::ReminderMenuSection(ReminderEngine* reminder, QObject* parent)
    : QObject(parent)
    , m_manager(reminder)
    , m_text(reminder->row().menu) {}

void ReminderMenuSection::addTo(QMenu* menu) {
    menu->addAction(m_text.heading)->setEnabled(false);
    m_status = menu->addAction(QString());
    m_status->setEnabled(false);
    m_toggle = menu->addAction(QString());
    m_toggle->setCheckable(true);
    connect(m_toggle, &QAction::triggered, this, &ReminderMenuSection::toggleRequested);

    auto* intervals = new QMenu(menu);
    // Marks can go stale behind the menu's back, through the dialog or a notification.
    connect(intervals, &QMenu::aboutToShow, this, &ReminderMenuSection::refresh);
    m_presets.clear();
    auto* presets = new QActionGroup(intervals);
    for (qint64 minutes : m_text.presets) {
        QAction* entry = intervals->addAction(u"每 %1 分钟"_s.arg(minutes));
        entry->setCheckable(true);
        presets->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, minutes] { Q_EMIT intervalSelected(minutes); });
        m_presets.append(entry);
    }
    intervals->addSeparator();
    connect(intervals->addAction(u"手动输入间隔..."_s), &QAction::triggered, this,
            &ReminderMenuSection::intervalDialogRequested);
    m_interval = menu->addAction(QString());
    m_interval->setMenu(intervals);
    connect(menu->addAction(m_text.recordTitle), &QAction::triggered, this,
            &ReminderMenuSection::recordRequested);
    refresh();
}

void ReminderMenuSection::refreshStatus() {
    if (m_status && m_manager)
        m_status->setText(m_manager->statusText());
}

void ReminderMenuSection::refresh() {
    if (!m_toggle || !m_manager)
        return;
    refreshStatus();
    const bool enabled = m_manager->isEnabled();
    m_toggle->setChecked(enabled);
    m_toggle->setText(u"    %1：%2"_s.arg(m_text.name, enabled ? u"已开启"_s : u"已关闭"_s));
    const qint64 minutes = m_manager->intervalMinutes();
    m_interval->setText(u"    %1间隔（当前每 %2 分钟）"_s.arg(m_text.name).arg(minutes));
    for (qsizetype i = 0; i < m_presets.size(); ++i)
        m_presets.at(i)->setChecked(m_text.presets.at(i) == minutes);
}
