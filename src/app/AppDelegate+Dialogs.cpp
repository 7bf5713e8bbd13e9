#include "AppDelegate.h"

#include "Commands.h"
#include "NumberForm.h"
#include "ReminderMenuSection.h"
#include "platform/Alerts.h"
#include "reminders/ReminderEngine.h"
#include "rest/RestCycle.h"

using namespace Qt::StringLiterals;

std::optional<QList<qint64>> AppDelegate::runNumberDialog(const QString& message, const QString& informative,
                                                          const QList<NumberField>& fields,
                                                          const QString& invalidTitle,
                                                          const QString& invalidText) {
    NumberForm form(fields);
    AlertRequest request;
    request.messageText = message;
    request.informativeText = informative;
    request.buttons = {u"应用"_s, u"取消"_s};
    request.accessory = form.view();
    if (m_services.alerts->run(request) != 0)
        return std::nullopt;
    const auto values = form.values();
    if (!values) {
        AlertRequest invalid;
        invalid.style = AlertRequest::Style::Warning;
        invalid.messageText = invalidTitle;
        invalid.informativeText = invalidText;
        invalid.buttons = {u"好的"_s};
        m_services.alerts->run(invalid);
    }
    return values;
}

void AppDelegate::showCustomRestModeDialog() {
    const qint64 workMinutes = m_cycle->workDuration() < 60 ? 1 : m_cycle->workDuration() / 60;
    const QList<NumberField> fields{
        {u"营业时长（分钟）"_s, workMinutes, u"例如 20"_s, 1, 240},
        {u"眼睛下线（秒）"_s, m_cycle->restDuration(), u"例如 20 或 300"_s, 5, 3600},
    };
    const auto values = runNumberDialog(
        u"设置护眼节奏"_s, u"按输入的营业和眼睛下线时长循环运行，下次启动也会记住。"_s, fields,
        u"护眼节奏无效"_s, u"营业时长请输入 1 到 240 分钟；眼睛下线时长请输入 5 到 3600 秒。"_s);
    if (values)
        saveCustomRestMode(values->at(0), values->at(1));
}

void AppDelegate::showIntervalDialog(ReminderEngine* reminder) {
    const ReminderMenuText& text = reminder->row().menu;
    const QList<NumberField> fields{{u"提醒间隔（分钟）"_s, reminder->intervalMinutes(),
                                     u"例如 %1"_s.arg(reminder->profile().defaultIntervalMinutes),
                                     ReminderMenuSection::minInterval, ReminderMenuSection::maxInterval}};
    const auto values = runNumberDialog(text.dialogTitle, text.dialogInformative, fields, text.invalidTitle,
                                        ReminderMenuSection::invalidIntervalText());
    if (values)
        m_commands->setReminderInterval(reminder, values->at(0));
}
