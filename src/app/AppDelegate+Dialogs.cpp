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
