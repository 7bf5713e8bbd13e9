#include "platform/StrictInt.h"

#include <QString>
#include <cstdlib>

// Checked against a plain reading of the rule in 128-bit arithmetic.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    std::optional<qint64> expected;
    qsizetype i = text.startsWith(u'+') || text.startsWith(u'-') ? 1 : 0;
    __int128 value = 0;
    bool digits = i < text.size();
    for (; digits && i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        digits = c >= u'0' && c <= u'9' && value <= (__int128(1) << 64);
        value = value * 10 + (c - u'0');
    }
    if (digits) {
        if (text.startsWith(u'-'))
            value = -value;
        if (value >= std::numeric_limits<qint64>::min() && value <= std::numeric_limits<qint64>::max())
            expected = qint64(value);
    }
    if (parseStrictInt64(text) != expected)
        std::abort();
    return 0;
}
