#include "AppDelegate.h"

#include "NumberForm.h"
#include "platform/Alerts.h"

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
    const qint64 workMinutes = workDuration < 60 ? 1 : workDuration / 60;
    const QList<NumberField> fields{
        {u"营业时长（分钟）"_s, workMinutes, u"例如 20"_s, 1, 240},
        {u"眼睛下线（秒）"_s, restDuration, u"例如 20 或 300"_s, 5, 3600},
    };
    const auto values =
        runNumberDialog(u"设置护眼节奏"_s, u"按输入的营业和眼睛下线时长循环运行，下次启动也会记住。"_s,
                        fields, &AppDelegate::showInvalidCustomRestModeAlert);
    if (values)
        saveCustomRestMode(values->at(0), values->at(1));
}
