#include "RestMode.h"

using namespace Qt::StringLiterals;

namespace RestModes {
const QList<RestMode>& presets() {
    static const QList<RestMode> list{
        {120020, 1200, 20},
        {2700300, 2700, 300},
        {3600600, 3600, 600},
    };
    return list;
}

const RestMode* preset(qint64 tag) {
    for (const RestMode& mode : presets()) {
        if (mode.tag == tag)
            return &mode;
    }
    return nullptr;
}

QString formatDuration(qint64 seconds) {
    if (seconds >= 60 && seconds % 60 == 0)
        return u"%1 分钟"_s.arg(seconds / 60);
    return u"%1 秒"_s.arg(seconds);
}

QString title(const RestMode& mode) {
    return u"营业 "_s + formatDuration(mode.workDuration) + u" / 眼睛下线 "_s +
           formatDuration(mode.restDuration);
}
} // namespace RestModes
