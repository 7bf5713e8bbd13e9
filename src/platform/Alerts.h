#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// What a modal alert shows. Buttons are listed left to right in reading
// order of importance: the first is the default (Return).
struct AlertRequest {
    enum class Style { Informational, Warning, Critical };
    Style style = Style::Informational;
    QString messageText;
    QString informativeText;
    QStringList buttons;
    QWidget* accessory = nullptr; // shown under the texts; not owned
};

// Runs modal alerts above every other window. Tests hand in a scripted fake so
// that no test waits in a modal loop.
class Alerts {
public:
    virtual ~Alerts() = default;
    // Blocks until the user answers; returns the index of the chosen button,
    // or -1 when the alert was closed without one.
    virtual int run(const AlertRequest& request) = 0;
};

class MessageBoxAlerts final : public Alerts {
public:
    int run(const AlertRequest& request) override;
};
