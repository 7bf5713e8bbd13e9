#include "Directories.h"

#include <QDir>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace Directories {

QString statsBase() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? QDir::homePath() : base;
}

QString cache() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return base + u"/Tovi"_s;
}

QString configHome() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base.isEmpty() ? QDir::homePath() + u"/.config"_s : base;
}

QString runtime() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return base.isEmpty() ? QDir::tempPath() : base;
}

QString makePrivatePath(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    qsizetype from = 1;
    while (true) {
        const qsizetype slash = clean.indexOf(u'/', from);
        const QString part = slash < 0 ? clean : clean.left(slash);
        const QByteArray native = QFile::encodeName(part);
        if (::mkdir(native.constData(), 0700) != 0) {
            if (errno != EEXIST)
                return QString::fromLocal8Bit(strerror(errno)) + u": "_s + part;
            struct stat st {};
            if (::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
                return u"Not a directory: "_s + part;
        }
        if (slash < 0)
            return {};
        from = slash + 1;
    }
}

} // namespace Directories
