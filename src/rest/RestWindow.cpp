#include "RestWindow.h"

#include "RestView.h"

#include <QCloseEvent>
#include <QScreen>
#include <QWindow>

using namespace Qt::StringLiterals;

RestWindow::RestWindow(Screens* screens, const ScreenInfo& screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_screens(screens)
    , m_screen(screen) {
    setWindowTitle(u"Tovi"_s);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(screen.geometry);
    // Unmanaged, the window lands where asked and above everything; sway still
    // hands it the keyboard.
    if (m_screens && m_screens->windowManagerIgnoresPlacement())
        setWindowFlag(Qt::X11BypassWindowManagerHint);
}

void RestWindow::setContentView(RestView* view) {
    if (m_view) {
        m_view->hide();
        m_view->deleteLater();
    }
    m_view = view;
    if (!view)
        return;
    view->setParent(this);
    view->setGeometry(0, 0, width(), height());
    if (isVisible())
        view->show();
}

void RestWindow::setFrame(const ScreenInfo& screen) {
    m_screen = screen;
    if (QScreen* platformScreen = m_screens ? m_screens->platformScreen(screen) : nullptr) {
        if (windowHandle())
            windowHandle()->setScreen(platformScreen);
    }
    // Leaving full screen without showing: the frame may change while hidden.
    setWindowState(windowState() & ~Qt::WindowFullScreen);
    setGeometry(screen.geometry);
}

void RestWindow::makeKeyAndOrderFront() {
    // Themes that dim rather than cover show the desktop through a compositor;
    // the surface's format is chosen when it is made, once per rest.
    if (!windowHandle()) {
        const bool translucent = !m_view || !m_view->coversWindow();
        setAttribute(Qt::WA_TranslucentBackground, translucent);
        // The view paints every pixel, translucent or not.
        setAttribute(Qt::WA_NoSystemBackground);
        create();
    }
    if (QScreen* platformScreen = m_screens ? m_screens->platformScreen(m_screen) : nullptr)
        windowHandle()->setScreen(platformScreen);
    setGeometry(m_screen.geometry);
    if (m_view)
        m_view->show();
    showFullScreen();
    raise();
    activateWindow();
    // Unmanaged windows get no focus from the window manager: take the keyboard once shown.
    if (m_screens && m_screens->windowManagerIgnoresPlacement())
        windowHandle()->installEventFilter(this);
    if (m_view)
        m_view->setFocus(Qt::ActiveWindowFocusReason);
}

bool RestWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        windowHandle()->setKeyboardGrabEnabled(true);
    }
    return QWidget::eventFilter(watched, event);
}

void RestWindow::orderOut() {
    hide();
    // The next show creates a fresh surface.
    destroy(true, true);
}

void RestWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_view)
        m_view->setGeometry(0, 0, width(), height());
}

void RestWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}
