#pragma once

#include "platform/Alerts.h"

#include <QList>
#include <functional>

// Answers alerts from a script instead of showing them, and remembers each one.
class FakeAlerts final : public Alerts {
public:
    int run(const AlertRequest& request) override;

    // Button index the next alerts answer with, in order; afterwards alerts answer 0.
    QList<int> script;
    QList<AlertRequest> shown;
    // Runs while the alert "is shown", before it answers: type into its fields here.
    std::function<void(const AlertRequest&)> whileShown;
};
