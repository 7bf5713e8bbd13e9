#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// A work/rest rhythm in whole seconds; the tag also names its menu entry.
struct RestMode {
    qint64 tag = 0;
    qint64 workDuration = 0;
    qint64 restDuration = 0;
    bool operator==(const RestMode&) const = default;
};

namespace RestModes {
inline constexpr qint64 defaultTag = 120020;
inline constexpr qint64 customTag = -1;

// In menu order.
const QList<RestMode>& presets();
const RestMode* preset(qint64 tag);

// Whole minutes as "N 分钟", anything else as "N 秒".
QString formatDuration(qint64 seconds);
QString title(const RestMode& mode);
} // namespace RestModes
