#pragma once

#include <QObject>
#include <QString>

// Keyboard and pointer left untouched. One watch at a time: `idled` once the
// watched length has passed without input, `resumed` at the first input after
// it; then the same length is watched again, until stop() or another watch().
class IdleWatch : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Replaces any earlier watch. False when no source can tell idle time.
    virtual bool watch(qint64 seconds) = 0;
    virtual void stop() = 0;
    // The source that answers, for the log; empty when none does.
    virtual QString sourceName() const = 0;

Q_SIGNALS:
    // Untouched for `idleSeconds`, at least the watched length.
    void idled(qint64 idleSeconds);
    // Input again after `idled`; untouched for `idleSeconds` in all.
    void resumed(qint64 idleSeconds);
};
