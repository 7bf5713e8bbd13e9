#include "AppFixture.h"

#include "platform/Log.h"

#include <QAction>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {
int fixtures = 0;

QAction* find(const QMenu* menu, const QString& title) {
    if (!menu)
        return nullptr;
    for (QAction* entry : menu->actions()) {
        if (entry->text() == title)
            return entry;
        if (QAction* inner = find(entry->menu(), title))
            return inner;
    }
    return nullptr;
}
} // namespace

AppFixture::AppFixture(const QStringList& settings, LoginItemService* login)
    : clock(localTime(2025, 3, 3, 10))
    , base(TestEnvironment::freshDirectory(u"app-%1"_s.arg(++fixtures)))
    , defaults(base + u"/Tovi.conf"_s)
    , store(base)
    , loginItems(base + u"/autostart/tovi.desktop"_s, u"/usr/bin/tovi"_s)
    , loginService(login ? login : &loginItems) {
    for (const QString& pair : settings)
        defaults.setString(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    screens.setSideBySide(2);
    Log::setCapture(&log);
    restart();
}

void AppFixture::restart() {
    if (app)
        app->quitApp();
    app.reset();
    app = std::make_unique<AppDelegate>(AppServices{.defaults = &defaults,
                                                    .alerts = &alerts,
                                                    .screens = &screens,
                                                    .statsStore = &store,
                                                    .loginItems = loginService,
                                                    .notifications = &center,
                                                    .workspaceEvents = &workspace,
                                                    .wallpapers = &wallpapers,
                                                    .busy = &busy,
                                                    .idle = &idle,
                                                    .motion = &motion});
}

AppFixture::~AppFixture() {
    app.reset();
    Log::setCapture(nullptr);
}

QList<StatsEvent> AppFixture::events() const {
    return store.events(clock.now().addDays(-1), clock.now().addDays(1));
}

QList<StatsEvent> AppFixture::eventsOf(StatsEventType type) const {
    return ofType(events(), type);
}

QAction* AppFixture::entry(const QString& title) const {
    return find(menu(), title);
}
