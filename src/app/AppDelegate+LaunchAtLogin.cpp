#include "AppDelegate.h"

#include "platform/Alerts.h"
#include "platform/Log.h"
#include "platform/LoginItemService.h"

using namespace Qt::StringLiterals;

void AppDelegate::toggleLaunchAtLogin() {
    LoginItemService* service = m_services.loginItems;
    if (!service)
        return;
    if (!service->isEnabled()) {
        if (const auto error = service->registerItem()) {
            Log::line(u"Tovi: 设置开机自启失败: "_s + *error);
            showLaunchAtLoginAlert(
                u"设置开机自启失败，请确保应用已移动至「应用程序」文件夹后再试。\n\n错误信息: "_s + *error);
        } else {
            Log::line(u"Tovi: 已设置开机自启"_s);
        }
    } else {
        if (const auto error = service->unregisterItem()) {
            Log::line(u"Tovi: 取消开机自启失败: "_s + *error);
            showLaunchAtLoginAlert(u"取消开机自启失败: "_s + *error);
        } else {
            Log::line(u"Tovi: 已取消开机自启"_s);
        }
    }
}

void AppDelegate::showLaunchAtLoginAlert(const QString& message) {
    AlertRequest request;
    request.style = AlertRequest::Style::Warning;
    request.messageText = u"开机自启设置"_s;
    request.informativeText = message;
    request.buttons = {u"确定"_s};
    m_services.alerts->run(request);
}
