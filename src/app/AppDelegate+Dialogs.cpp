#include "AppDelegate.h"

#include "rest/RestCycle.h"

#include "NumberForm.h"
#include "platform/Alerts.h"
#include "reminders/ReminderEngine.h"

using namespace Qt::StringLiterals;

std::optional<QList<qint64>> AppDelegate::runNumberDialog(const QString& message, const QString& informative,
                                                          const QList<NumberField>& fields,
                                                          void (AppDelegate::*showInvalid)()) {
    NumberForm form(fields);
    AlertRequest request;
    request.messageText = message;
    request.informativeText = informative;
    request.buttons = {u"应用"_s, u"取消"_s};
    request.accessory = form.view();
    if (m_services.alerts->run(request) != 0)
        return std::nullopt;
    const auto values = form.values();
    if (!values)
        (this->*showInvalid)();
    return values;
}

namespace {
void showInvalidInputAlert(Alerts* alerts, const QString& message, const QString& informative) {
    AlertRequest request;
    request.style = AlertRequest::Style::Warning;
    request.messageText = message;
    request.informativeText = informative;
    request.buttons = {u"好的"_s};
    alerts->run(request);
}
} // namespace

void AppDelegate::showInvalidCustomRestModeAlert() {
    showInvalidInputAlert(m_services.alerts, u"护眼节奏无效"_s,
                          u"营业时长请输入 1 到 240 分钟；眼睛下线时长请输入 5 到 3600 秒。"_s);
}

void AppDelegate::showInvalidHydrationIntervalAlert() {
    showInvalidInputAlert(m_services.alerts, u"自动喝水间隔无效"_s, u"提醒间隔请输入 1 到 480 分钟。"_s);
}

void AppDelegate::showInvalidPelvicFloorIntervalAlert() {
    showInvalidInputAlert(m_services.alerts, u"自动提肛间隔无效"_s, u"提醒间隔请输入 1 到 480 分钟。"_s);
}

void AppDelegate::showCustomRestModeDialog() {
    const qint64 workMinutes = m_cycle->workDuration() < 60 ? 1 : m_cycle->workDuration() / 60;
    const QList<NumberField> fields{
        {u"营业时长（分钟）"_s, workMinutes, u"例如 20"_s, 1, 240},
        {u"眼睛下线（秒）"_s, m_cycle->restDuration(), u"例如 20 或 300"_s, 5, 3600},
    };
    const auto values =
        runNumberDialog(u"设置护眼节奏"_s, u"按输入的营业和眼睛下线时长循环运行，下次启动也会记住。"_s,
                        fields, &AppDelegate::showInvalidCustomRestModeAlert);
    if (values)
        saveCustomRestMode(values->at(0), values->at(1));
}

void AppDelegate::showIntervalDialog(const ReminderMenuBlock& block, const QString& message,
                                     const QString& informative, void (AppDelegate::*showInvalid)()) {
    const qint64 minutes = block.manager->intervalMinutes();
    const QList<NumberField> fields{{u"提醒间隔（分钟）"_s, minutes,
                                     u"例如 %1"_s.arg(block.manager->profile().defaultIntervalMinutes), 1,
                                     480}};
    const auto values = runNumberDialog(message, informative, fields, showInvalid);
    if (!values)
        return;
    block.manager->setInterval(values->at(0));
    updateReminderMenuItems(block);
}

void AppDelegate::showHydrationIntervalDialog() {
    showIntervalDialog(hydrationBlock(), u"设置喝水提醒间隔"_s,
                       u"喝水提醒会按输入的间隔循环运行，并在下次启动时保留。"_s,
                       &AppDelegate::showInvalidHydrationIntervalAlert);
}

void AppDelegate::showPelvicFloorIntervalDialog() {
    showIntervalDialog(pelvicFloorBlock(), u"设置提肛提醒间隔"_s,
                       u"提肛提醒会按输入的间隔循环运行，并在下次启动时保留。"_s,
                       &AppDelegate::showInvalidPelvicFloorIntervalAlert);
}
