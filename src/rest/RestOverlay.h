#pragma once

#include <QList>
#include <QObject>
#include <functional>

class RestView;
class RestWindow;
class Screens;

// One rest window per screen while a rest is on. The windows of the last
// rest are kept hidden and reused while the number of screens holds, and made
// anew when it changed; their views are made fresh for every rest and let go
// when it ends, so that nothing of a rest's size stays between rests.
class RestOverlay final : public QObject {
    Q_OBJECT
public:
    using ViewFactory = std::function<RestView*()>;

    RestOverlay(Screens* screens, ViewFactory makeView, QObject* parent = nullptr);
    ~RestOverlay() override;

    // Covers every screen; the last screen's window ends up with the keyboard.
    void show();
    void hide();
    // Closes every window for good, as at quit.
    void close();

    bool isShowing() const { return m_showing; }
    const QList<RestWindow*>& windows() const { return m_windows; }

private:
    void layOut();
    void screensChanged();

    Screens* const m_screens;
    const ViewFactory m_makeView;
    QList<RestWindow*> m_windows;
    bool m_showing = false;
};
