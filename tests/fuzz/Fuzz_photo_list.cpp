#include "themes/WallpaperManager.h"

// A reply from the photo service, whatever it holds.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)WallpaperManager::photoIds(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
