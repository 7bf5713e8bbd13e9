#include "InstanceLock.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

InstanceLock::InstanceLock(const QString& directory)
    : m_file(QDir(directory).filePath(u"tovi.lock"_s)) {
    // A lock left by a crashed process is taken over at once: QLockFile checks
    // that its owner is still alive.
    m_file.setStaleLockTime(0);
}

bool InstanceLock::tryLock() {
    QDir().mkpath(QFileInfo(m_file.fileName()).absolutePath());
    return m_file.tryLock(0);
}
