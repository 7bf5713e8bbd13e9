#include "RestOverlay.h"

#include "RestView.h"
#include "RestWindow.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Memory.h"
#include "platform/Screens.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>

using namespace Qt::StringLiterals;

RestOverlay::RestOverlay(Screens* screens, ViewFactory makeView, QObject* parent)
    : QObject(parent)
    , m_screens(screens)
    , m_makeView(std::move(makeView)) {
    if (m_screens)
        connect(m_screens, &Screens::changed, this, &RestOverlay::screensChanged);
}

RestOverlay::~RestOverlay() {
    close();
}

void RestOverlay::layOut() {
    const QList<ScreenInfo> screens = m_screens ? m_screens->screens() : QList<ScreenInfo>();
    if (!m_windows.isEmpty() && m_windows.size() == screens.size()) {
        Log::line(u"Tovi: Reusing existing rest windows"_s);
        for (qsizetype i = 0; i < screens.size(); ++i) {
            RestWindow* window = m_windows.at(i);
            window->setFrame(screens.at(i));
            window->setContentView(m_makeView());
        }
        return;
    }
    Log::line(u"Tovi: Recreating rest windows"_s);
    close();
    for (const ScreenInfo& screen : screens) {
        auto* window = new RestWindow(screen);
        window->setContentView(m_makeView());
        window->setFrame(screen);
        m_windows.append(window);
    }
}

void RestOverlay::show() {
    layOut();
    m_showing = true;
    // Covering every screen from a stay-on-top full-screen window is what
    // hides the panels.
    for (RestWindow* window : std::as_const(m_windows))
        window->makeKeyAndOrderFront();
}

void RestOverlay::hide() {
    m_showing = false;
    for (RestWindow* window : std::as_const(m_windows)) {
        window->orderOut();
        window->setContentView(nullptr);
    }
    // Once the views are gone, and again once the font cache has let their
    // faces go, hand the freed memory back to the system.
    for (int ms : {1000, 15000})
        Clock::after(ms, this, [] { Memory::giveBack(); });
}

void RestOverlay::close() {
    m_showing = false;
    for (RestWindow* window : std::as_const(m_windows)) {
        window->orderOut();
        delete window;
    }
    m_windows.clear();
}

// Screens that come or go during a rest are covered or let go at once; a
// window stays with its screen, so a hold in progress on it carries on.
void RestOverlay::screensChanged() {
    // The toolkit finishes moving windows off a removed screen first.
    QTimer::singleShot(0, this, [this] {
        if (!m_showing)
            return;
        const QList<ScreenInfo> screens = m_screens->screens();
        Log::line(u"Tovi: Screens changed during a rest, rearranging rest windows"_s);
        QList<RestWindow*> left = m_windows;
        QList<RestWindow*> arranged;
        for (const ScreenInfo& screen : screens) {
            const auto same = std::find_if(left.begin(), left.end(), [&](RestWindow* window) {
                return window->screenInfo().name == screen.name;
            });
            RestWindow* window = nullptr;
            if (same != left.end()) {
                window = *same;
                left.erase(same);
            } else {
                window = new RestWindow(screen);
                window->setContentView(m_makeView());
            }
            window->setFrame(screen);
            window->makeKeyAndOrderFront();
            arranged.append(window);
        }
        for (RestWindow* gone : std::as_const(left)) {
            gone->orderOut();
            gone->deleteLater();
        }
        m_windows = arranged;
    });
}
