#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <ctime>

namespace TestEnvironment {

QString freshDirectory(const QString& name) {
    QDir dir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' + name);
    dir.removeRecursively();
    dir.mkpath(QStringLiteral("."));
    return dir.absolutePath();
}

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray statsLine(const QString& timestamp, const QString& type, const QString& payload,
                     const QString& fields) {
    return QStringLiteral(R"({"id":"A","timestamp":"%1","dayKey":"2025-03-01","monthKey":"2025-03",)"
                          R"("type":"%2","source":"manual","payload":%3,"appVersion":"1.0"%4})")
        .arg(timestamp, type, payload, fields)
        .toUtf8();
}

void useTimeZone(const char* zone) {
    qputenv("TZ", zone);
    tzset();
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

} // namespace TestEnvironment
