#include "Memory.h"

#include <QFile>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#endif

namespace {
// Read-only mappings of font files keep every page a rest's large glyphs
// touched. Dropping them is safe (nothing can have written to them) and
// cheap: the next glyph faults its page back in from the page cache.
void dropFontPages() {
#if defined(Q_OS_LINUX)
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || !fields.at(1).startsWith("r--"))
            continue;
        const QByteArray& path = fields.at(5);
        if (!path.endsWith(".ttf") && !path.endsWith(".ttc") && !path.endsWith(".otf"))
            continue;
        const QList<QByteArray> range = fields.at(0).split('-');
        bool okStart = false;
        bool okEnd = false;
        const quintptr start = range.value(0).toULongLong(&okStart, 16);
        const quintptr end = range.value(1).toULongLong(&okEnd, 16);
        if (okStart && okEnd && end > start)
            madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
    }
#endif
}
} // namespace

void Memory::giveBack() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    dropFontPages();
}
