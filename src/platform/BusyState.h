#pragma once

#include <QObject>

// Why covering the screen now would interrupt something, first that holds.
enum class BusyReason {
    none,
    fullScreen,   // the focused window is full-screen: a video, a presentation, a game
    doNotDisturb, // the notification server is told to keep quiet
    inhibitor,    // another program holds an idle inhibitor: a video or a call
};

// What the user is in the middle of. Read at the moments that need it (the
// heads-up, the due moment, while a rest waits); never polled steadily.
class BusyState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual BusyReason reason() = 0;
    // Another program holds an idle inhibitor: time without input is not a break then.
    virtual bool inhibited() = 0;

Q_SIGNALS:
    // A reason may have begun or ended, from sources that can tell.
    void changed();
};
