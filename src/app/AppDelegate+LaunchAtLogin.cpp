#include "AppDelegate.h"

#include "platform/Alerts.h"
#include "platform/Log.h"
#include "platform/LoginItemService.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {
// " ~/.config/autostart/tovi.desktop ", spaced to sit between Chinese words.
QString where(const LoginItemService* service) {
    QString path = service->location();
    if (path.isEmpty())
        return {};
    if (const QString home = QDir::homePath(); path.startsWith(home + u'/'))
        path.replace(0, home.size(), u"~"_s);
    return u' ' + path + u' ';
}
} // namespace

void AppDelegate::toggleLaunchAtLogin() {
    LoginItemService* service = m_services.loginItems;
    if (!service)
        return;
    if (!service->isEnabled()) {
        if (const auto error = service->registerItem()) {
            Log::line(u"Tovi: 设置开机自启失败: "_s + *error);
            showLaunchAtLoginAlert(
                u"开机自启没设置上：自启动项%1写不进去。\n\n错误信息: "_s.arg(where(service)) + *error);
        } else {
            Log::line(u"Tovi: 已设置开机自启"_s);
        }
    } else {
        if (const auto error = service->unregisterItem()) {
            Log::line(u"Tovi: 取消开机自启失败: "_s + *error);
            showLaunchAtLoginAlert(
                u"开机自启没取消掉：自启动项%1删不掉。\n\n错误信息: "_s.arg(where(service)) + *error);
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
