#include "stats/StatsEventReader.h"

#include <cstdlib>

// The bulk reader promises to accept and reject exactly what the general
// parser does, and a decoded event must survive its own encoding.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static StatsEventReader reader;
    const QByteArrayView line(data, qsizetype(size));
    const std::optional<StatsEvent> bulk = reader.decode(line);
    const std::optional<StatsEvent> general = StatsEvent::fromJson(line);
    if (bulk != general)
        std::abort();
    if (general && StatsEvent::fromJson(general->toJson()) != general)
        std::abort();
    return 0;
}
