#include "FakeAlerts.h"

int FakeAlerts::run(const AlertRequest& request) {
    shown.append(request);
    if (whileShown)
        whileShown(request);
    return script.isEmpty() ? 0 : script.takeFirst();
}
