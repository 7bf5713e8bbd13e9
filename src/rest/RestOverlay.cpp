#include "RestOverlay.h"

#include "RestView.h"
#include "RestWindow.h"
#include "platform/Clock.h"
#include "platform/Keyboard.h"
#include "platform/Log.h"
#include "platform/Memory.h"
#include "platform/MotionPreference.h"
#include "platform/Screens.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <algorithm>

using namespace Qt::StringLiterals;

RestOverlay::RestOverlay(Screens* screens, ViewFactory makeView, MotionPreference* motion, QObject* parent)
    : QObject(parent)
    , m_screens(screens)
    , m_makeView(std::move(makeView))
    , m_motion(motion) {
    if (m_screens)
        connect(m_screens, &Screens::changed, this, &RestOverlay::screensChanged);
}

RestOverlay::~RestOverlay() {
    close();
}

RestView* RestOverlay::makeView() {
    RestView* view = m_makeView();
    view->setReducedMotion(m_reducedMotion);
    // A Space hold that went through on one screen ends it on all, with the same line.
    connect(view, &RestView::skipped, this, [this, view](const QString& line, bool bySpace) {
        if (!bySpace)
            return;
        for (RestWindow* window : std::as_const(m_windows)) {
            if (RestView* other = window->contentView(); other && other != view)
                other->showSkipped(line);
        }
    });
    return view;
}

void RestOverlay::setSpaceKeyMonitor(bool on) {
    if (on != m_spaceKeyMonitor) {
        if (on)
            qApp->installEventFilter(this);
        else
            qApp->removeEventFilter(this);
    }
    m_spaceKeyMonitor = on;
}

// Space belongs to the hold while a rest shows, whichever window has the focus.
bool RestOverlay::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Space)
        return QObject::eventFilter(watched, event);
    if (type != QEvent::ShortcutOverride) {
        for (RestWindow* window : std::as_const(m_windows)) {
            if (RestView* view = window->contentView())
                view->spaceKey(type == QEvent::KeyPress, key->isAutoRepeat());
        }
    }
    return true;
}

void RestOverlay::layOut() {
    const QList<ScreenInfo> screens = m_screens ? m_screens->screens() : QList<ScreenInfo>();
    if (!m_windows.isEmpty() && m_windows.size() == screens.size()) {
        Log::line(u"Tovi: Reusing existing rest windows"_s);
        for (qsizetype i = 0; i < screens.size(); ++i) {
            RestWindow* window = m_windows.at(i);
            window->setFrame(screens.at(i));
            window->setContentView(makeView());
        }
        return;
    }
    Log::line(u"Tovi: Recreating rest windows"_s);
    close();
    for (const ScreenInfo& screen : screens) {
        auto* window = new RestWindow(m_screens, screen);
        window->setContentView(makeView());
        window->setFrame(screen);
        m_windows.append(window);
    }
}

void RestOverlay::show() {
    // Read once a rest: every screen moves, or none does.
    m_reducedMotion = m_motion && m_motion->reduced();
    layOut();
    m_showing = true;
    setSpaceKeyMonitor(true);
    // Covering every screen from a stay-on-top full-screen window is what
    // hides the panels.
    for (RestWindow* window : std::as_const(m_windows))
        window->makeKeyAndOrderFront();
    // Space already down when the rest appears is not a hold begun on it:
    // asked of the server once, for every screen's hold.
    if (Keyboard::isSpaceDown()) {
        for (RestWindow* window : std::as_const(m_windows)) {
            if (RestView* view = window->contentView())
                view->hold().spaceHeldOver();
        }
    }
}

void RestOverlay::hide() {
    m_showing = false;
    setSpaceKeyMonitor(false);
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
    setSpaceKeyMonitor(false);
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
                window = new RestWindow(m_screens, screen);
                window->setContentView(makeView());
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
