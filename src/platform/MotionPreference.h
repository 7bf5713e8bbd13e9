#pragma once

#include <QObject>

// The desktop's wish for less motion. Read when a rest starts.
class MotionPreference : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool reduced() = 0;
};
