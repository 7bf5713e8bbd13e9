#include "Log.h"

#include <cstdio>
#include <mutex>

namespace {
std::mutex logMutex;
QStringList* capture = nullptr;
} // namespace

namespace Log {

void line(const QString& message) {
    const QByteArray bytes = message.toUtf8() + '\n';
    std::lock_guard lock(logMutex);
    if (capture)
        capture->append(message);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void setCapture(QStringList* lines) {
    std::lock_guard lock(logMutex);
    capture = lines;
}

} // namespace Log
