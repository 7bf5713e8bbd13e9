#pragma once

#include <QLockFile>
#include <QString>

// Keeps a second Tovi from running beside the first: two would double every
// event. The lock is released when the process ends, however it ends.
class InstanceLock {
public:
    explicit InstanceLock(const QString& directory);
    // False when another live process holds the lock.
    bool tryLock();

private:
    QLockFile m_file;
};
