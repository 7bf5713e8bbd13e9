#pragma once

#include "stats/StatsEvent.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace TestEnvironment {
// A fresh, empty directory under the test's own XDG data home.
QString freshDirectory(const QString& name);
// Reads a whole file as UTF-8 lines without the line feeds.
QStringList readLines(const QString& path);
// Writes `bytes` as the whole file, making its folder first; false when it cannot.
bool writeFile(const QString& path, const QByteArray& bytes);
// One event line as the store writes it, with `fields` (",\"key\":value...") added.
QByteArray statsLine(const QString& timestamp, const QString& type = QStringLiteral("app_launched"),
                     const QString& payload = QStringLiteral("{}"), const QString& fields = {});
// Sets the process's time zone, e.g. "Europe/Berlin".
void useTimeZone(const char* zone);
// Runs what was queued for a later turn of the event loop.
void settle();
} // namespace TestEnvironment

inline QDateTime localTime(int y, int m, int d, int h = 0, int min = 0, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s), Qt::LocalTime);
}

inline QList<StatsEvent> ofType(const QList<StatsEvent>& events, StatsEventType type) {
    QList<StatsEvent> out;
    for (const StatsEvent& e : events)
        if (e.type == type)
            out << e;
    return out;
}
