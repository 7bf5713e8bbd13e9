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
// hostile server costs at most a failed fetch. Nothing is decoded and nothing
// of the network loaded before the first use, and the network stack lives
// only while a chain runs: another theme costs nothing.
class WallpaperManager : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 maxBodyBytes = 32 * 1024 * 1024;
    // Enough for a 4K photo; a header promising more is not an image.
    static constexpr int maxDecodeMiB = 64;
    static constexpr QStringView cacheFileName = u"cached_wallpaper_v2.jpg";

    explicit WallpaperManager(WallpaperSource source, QObject* parent = nullptr);

    // Null until a photo has been loaded or downloaded, and again after release().
    QImage cachedImage() const { return m_cachedImage; }
    bool isPrefetching() const { return m_isPrefetching.load(); }
    // The last chain ended with neither photo; cleared when the next starts.
    bool lastFetchFailed() const { return m_lastFetchFailed; }
    // Empty when there is no cache directory.
    QString cacheFilePath() const;

    // Decodes the cache file now unless a photo is in memory: for a rest
    // about to show, which would otherwise flash the placeholder.
    void loadFromLocalCache();
    // Starts a fetch chain (list, photo by id, random photo as fallback)
    // unless one is running; returns at once. With no photo in memory the
    // cache file is decoded meanwhile, off this thread.
    virtual void prefetchNextWallpaper();
    // The photo is no longer wanted (another theme was chosen): drops it,
    // and a photo still on its way is only stored. A later use loads it again.
    void release();

    // The ids of a list reply; empty when any element lacks a string "id".
    static QStringList photoIds(const QByteArray& body);

Q_SIGNALS:
    void cachedImageChanged();
    // A chain ended with neither photo.
    void fetchFailed();

protected:
    void publish(const QImage& image);

private:
    void loadFromLocalCacheInBackground();
    void dropNetworkIfIdle();
    void fetchFallback(const QUrl& url, quint64 chain);
    void downloadWallpaper(const QUrl& url, std::function<void(bool)> completion);
    // GET with the body cap and the HTTPS-only redirect rule. `done` gets the
    // body, or an error text when the transfer failed or was cut off.
    void get(const QUrl& url, int timeoutMs,
             std::function<void(const QByteArray& body, const QString& error)> done);
    QUrl url(const QString& pathAndQuery) const;

    WallpaperSource m_source;
    QNetworkAccessManager* m_network = nullptr;
    int m_pendingReplies = 0;
    QImage m_cachedImage;
    // Replies and decodes that end after release() publish nothing.
    bool m_wanted = false;
    bool m_lastFetchFailed = false;
    quint64 m_chain = 0;
    // Written from reply handlers and read by callers; atomic so either side may move off the main thread.
    std::atomic<bool> m_isPrefetching = false;
};
