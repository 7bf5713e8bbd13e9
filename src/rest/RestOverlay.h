#pragma once

#include <QList>
#include <QObject>
#include <functional>

class MotionPreference;
class RestView;
class RestWindow;
class Screens;

// One rest window per screen while a rest is on. The windows of the last
// rest are kept hidden and reused while the number of screens holds, and made
// anew when it changed; their views are made fresh for every rest and let go
// when it ends, so that nothing of a rest's size stays between rests.
// The Space key is the overlay's while it shows: a Space hold runs on every
// screen at once and its card shows on each, wherever the keyboard is; a
// mouse hold stays on its own screen.
class RestOverlay final : public QObject {
    Q_OBJECT
public:
    using ViewFactory = std::function<RestView*()>;

    // `motion` may be null: rests then always move.
    RestOverlay(Screens* screens, ViewFactory makeView, MotionPreference* motion = nullptr,
                QObject* parent = nullptr);
    ~RestOverlay() override;

    // Covers every screen; the last screen's window ends up with the keyboard.
    void show();
    void hide();
    // Closes every window for good, as at quit.
    void close();

    bool isShowing() const { return m_showing; }
    const QList<RestWindow*>& windows() const { return m_windows; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOut();
    void screensChanged();
    RestView* makeView();
    void setSpaceKeyMonitor(bool on);

    Screens* const m_screens;
    const ViewFactory m_makeView;
    MotionPreference* const m_motion;
    QList<RestWindow*> m_windows;
    bool m_showing = false;
    bool m_reducedMotion = false;
    bool m_spaceKeyMonitor = false;
};
