#include "AppDelegate.h"

#include "platform/Alerts.h"
#include "platform/Clock.h"
#include "stats/StatsReportView.h"
#include "stats/StatsStore.h"

#include <QScreen>

using namespace Qt::StringLiterals;

void AppDelegate::showYesterdayReportPromptIfNeeded() {
    Clock::after(1000, this, [this] { offerYesterdayReportIfNeeded(); });
}

void AppDelegate::offerYesterdayReportIfNeeded() {
    const QDateTime now = Clock::now();
    const QString todayKey = StatsStore::dayKey(now);
    if (statsStore->loadMeta().lastDailyReportPromptDay == todayKey)
        return;
    const QDate yesterday = now.toLocalTime().date().addDays(-1);
    if (!yesterday.isValid() || !statsStore->hasEvents(yesterday.startOfDay(Qt::LocalTime)))
        return;
    // Saved before asking, so quitting with the alert open still counts as offered.
    statsStore->saveMeta({todayKey});
    AlertRequest request;
    request.messageText = u"昨天的身体维护日报已生成"_s;
    request.informativeText = u"看看昨天休息、喝水、提肛有没有认真营业。"_s;
    request.buttons = {u"查看日报"_s, u"稍后看"_s};
    if (m_services.alerts->run(request) == 0)
        openReport(StatsReportScope::day(yesterday.startOfDay(Qt::LocalTime)));
}

QWidget* AppDelegate::statsReportWindow() const {
    return m_statsReportWindow;
}

void AppDelegate::openReport(const StatsReportScope& scope) {
    auto* window = new StatsReportView(StatsReporter(*statsStore).makeReport(scope));
    // Closed windows go; only the latest is referred to, and only while it is open.
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(StatsReportView::title(scope));
    window->resize(900, 720);
    if (const QScreen* screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->show();
    window->raise();
    window->activateWindow();
    m_statsReportWindow = window;
    setTransientStatus(u"📊 报表已打开，身体小本本已摊开"_s, 5.0);
}
