#pragma once

#include "platform/Screens.h"

#include <QWidget>

class RestView;

// One frameless window covering one screen above everything, panels included,
// during a rest. It takes keyboard focus so its view sees the Space key.
// Between rests it is hidden, not destroyed, and its native surface is let go
// so that a full-screen buffer per screen does not sit in memory while working.
// It is translucent only when its view's theme lets the desktop show through:
// clearing a translucent buffer before each paint is a cost of its own.
class RestWindow final : public QWidget {
    Q_OBJECT
public:
    // `screens` may be null: the window then stays where its frame says.
    RestWindow(Screens* screens, const ScreenInfo& screen);

    // Replaces the content; the previous view goes away.
    void setContentView(RestView* view);
    RestView* contentView() const { return m_view; }

    void setFrame(const ScreenInfo& screen);
    ScreenInfo screenInfo() const { return m_screen; }

    void makeKeyAndOrderFront();
    void orderOut();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Only a hold ends a rest: the window manager's close is refused.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Screens* const m_screens;
    ScreenInfo m_screen;
    RestView* m_view = nullptr;
};
