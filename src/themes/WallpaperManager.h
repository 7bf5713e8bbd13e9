#pragma once

#include <QImage>
#include <QObject>
#include <QUrl>
#include <atomic>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// Where photos come from and where the last good one is kept.
struct WallpaperSource {
    QUrl baseUrl;
    int listTimeoutMs = 10'000;
    int photoTimeoutMs = 15'000;
    // Empty: no cache file is read or written.
    QString cacheDirectory;

    // The photo service's HTTPS origin and Tovi's cache directory.
    static WallpaperSource production();
};

// The wallpaper theme's photo: fetched ahead of time, kept on disk, published
// to observers on the main thread. Decoding and the cache write run on worker
// threads; replies are capped and decoded with an allocation limit, so a
// hostile server costs at most a failed fetch.
class WallpaperManager : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 maxBodyBytes = 32 * 1024 * 1024;
    // Enough for a 4K photo; a header promising more is not an image.
    static constexpr int maxDecodeMiB = 64;
    static constexpr QStringView cacheFileName = u"cached_wallpaper_v2.jpg";

    // Starts loading the cache file at once; it is published when decoded.
    explicit WallpaperManager(WallpaperSource source, QObject* parent = nullptr);

    // Null until a photo has been loaded or downloaded; never set back to null.
    QImage cachedImage() const { return m_cachedImage; }
    bool isPrefetching() const { return m_isPrefetching.load(); }
    // Empty when there is no cache directory.
    QString cacheFilePath() const;

    // Starts a fetch chain (list, photo by id, random photo as fallback)
    // unless one is running; returns at once.
    virtual void prefetchNextWallpaper();

    // The ids of a list reply; empty when any element lacks a string "id".
    static QStringList photoIds(const QByteArray& body);

Q_SIGNALS:
    void cachedImageChanged();

protected:
    void publish(const QImage& image);

private:
    void loadFromLocalCache();
    void fetchFallback(const QUrl& url);
    void downloadWallpaper(const QUrl& url, std::function<void(bool)> completion);
    // GET with the body cap and the HTTPS-only redirect rule. `done` gets the
    // body, or an error text when the transfer failed or was cut off.
    void get(const QUrl& url, int timeoutMs,
             std::function<void(const QByteArray& body, const QString& error)> done);
    QUrl url(const QString& pathAndQuery) const;

    WallpaperSource m_source;
    QNetworkAccessManager* m_network = nullptr;
    QImage m_cachedImage;
    // Written from reply handlers and read by callers; atomic so either side may move off the main thread.
    std::atomic<bool> m_isPrefetching = false;
};
