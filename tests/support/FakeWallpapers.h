#pragma once

#include "themes/WallpaperManager.h"

// Counts prefetch requests instead of fetching.
class FakeWallpapers final : public WallpaperManager {
public:
    void prefetchNextWallpaper() override { ++requests; }
    int requests = 0;
};
