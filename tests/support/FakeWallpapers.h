#pragma once

#include "themes/WallpaperManager.h"

// Counts prefetch requests instead of fetching; photos are handed in.
class FakeWallpapers final : public WallpaperManager {
public:
    FakeWallpapers()
        : WallpaperManager(WallpaperSource{}) {}
    void prefetchNextWallpaper() override { ++requests; }
    using WallpaperManager::publish;
    int requests = 0;
};
