#pragma once

#include <QObject>

// The cache of the wallpaper theme's photograph. Fetching grows in its own
// change; until then a prefetch request is accepted and does nothing.
class WallpaperManager : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    static WallpaperManager& shared();

    virtual void prefetchNextWallpaper();
};
