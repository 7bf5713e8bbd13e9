#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

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

} // namespace TestEnvironment
