#include "platform/Defaults.h"

#include <QFile>
#include <QTemporaryDir>

// A hand-edited or damaged settings file: every typed read of every key the
// program uses must come back, as a value or as absent.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // QSettings warns about every odd line, which would drown the fuzzer's own output.
    static const QtMessageHandler quiet =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    (void)quiet;
    static QTemporaryDir dir;
    // QSettings caches a file by path, size and second: a name per input.
    static quint64 run = 0;
    const QString path = dir.filePath(QString::number(++run) + QStringLiteral(".conf"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    Defaults defaults(path);
    for (const QString& key : defaults.keys()) {
        (void)defaults.integer(key);
        (void)defaults.boolean(key);
        (void)defaults.real(key);
        (void)defaults.string(key);
        (void)defaults.date(key);
    }
    QFile::remove(path);
    return 0;
}
