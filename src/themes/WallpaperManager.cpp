#include "WallpaperManager.h"

#include "platform/Directories.h"
#include "platform/Log.h"

#include <QBuffer>
#include <QFile>
#include <QFileDevice>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
QImage decodeImage(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(WallpaperManager::maxDecodeMiB);
    reader.setAutoTransform(true);
    return reader.read();
}

struct Stored {
    QImage image;
    QString writeError;
};

// Only bytes that decode replace the cache file, so it always holds a photo.
Stored decodeAndStore(const QByteArray& body, const QString& directory, const QString& path) {
    Stored result{decodeImage(body), {}};
    if (result.image.isNull() || path.isEmpty())
        return result;
    result.writeError = Directories::makePrivatePath(directory);
    if (!result.writeError.isEmpty())
        return result;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(body) != body.size() || !file.commit())
        result.writeError = file.errorString();
    return result;
}

QImage readCacheFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > WallpaperManager::maxBodyBytes)
        return {};
    return decodeImage(file.readAll());
}
} // namespace

WallpaperSource WallpaperSource::production() {
    return {QUrl(u"https://picsum.photos"_s), 10'000, 15'000, Directories::cache()};
}

WallpaperManager::WallpaperManager(WallpaperSource source, QObject* parent)
    : QObject(parent)
    , m_source(std::move(source)) {}

QString WallpaperManager::cacheFilePath() const {
    if (m_source.cacheDirectory.isEmpty())
        return {};
    return m_source.cacheDirectory + u'/' + cacheFileName.toString();
}

void WallpaperManager::publish(const QImage& image) {
    m_cachedImage = image;
    Q_EMIT cachedImageChanged();
}

void WallpaperManager::release() {
    m_wanted = false;
    dropNetworkIfIdle();
    if (!m_cachedImage.isNull())
        publish(QImage());
}

// Between chains, minutes apart, its thread and connections would only idle;
// the libraries it loaded stay mapped whatever we do.
void WallpaperManager::dropNetworkIfIdle() {
    if (m_pendingReplies > 0 || !m_network)
        return;
    m_network->deleteLater();
    m_network = nullptr;
}

void WallpaperManager::loadFromLocalCache() {
    m_wanted = true;
    const QString path = cacheFilePath();
    if (!m_cachedImage.isNull() || path.isEmpty() || !QFile::exists(path))
        return;
    if (const QImage image = readCacheFile(path); !image.isNull())
        publish(image);
}

void WallpaperManager::loadFromLocalCacheInBackground() {
    const QString path = cacheFilePath();
    if (!m_cachedImage.isNull() || path.isEmpty() || !QFile::exists(path))
        return;
    QtConcurrent::run(&readCacheFile, path).then(this, [this](const QImage& image) {
        // A download that finished first is newer than the file.
        if (!image.isNull() && m_cachedImage.isNull() && m_wanted)
            publish(image);
    });
}

// One bad element makes the whole list unusable.
QStringList WallpaperManager::photoIds(const QByteArray& body) {
    const QJsonDocument document = QJsonDocument::fromJson(body);
    QStringList ids;
    for (const QJsonValue& element : document.array()) {
        const QJsonValue id = element.toObject().value(u"id"_s);
        if (!id.isString())
            return {};
        ids << id.toString();
    }
    return ids;
}

QUrl WallpaperManager::url(const QString& pathAndQuery) const {
    return QUrl(m_source.baseUrl.toString(QUrl::StripTrailingSlash) + pathAndQuery, QUrl::StrictMode);
}

void WallpaperManager::prefetchNextWallpaper() {
    m_wanted = true;
    loadFromLocalCacheInBackground();
    if (m_isPrefetching.exchange(true))
        return;
    const quint64 chain = ++m_chain;
    m_lastFetchFailed = false;
    const int page = int(QRandomGenerator::system()->bounded(1, 11));
    const QUrl list = url(u"/v2/list?page=%1&limit=30"_s.arg(page));
    const QUrl fallback =
        url(u"/1920/1080?random="_s + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    if (!list.isValid())
        return fetchFallback(fallback, chain);
    // The list's status and transport error are not looked at: a body that
    // holds photos is used whatever came with it.
    get(list, m_source.listTimeoutMs, [this, fallback, chain](const QByteArray& body, const QString&) {
        QtConcurrent::run(&WallpaperManager::photoIds, body)
            .then(this, [this, fallback, chain](const QStringList& ids) {
                if (ids.isEmpty()) {
                    Log::line(u"⚠️ 从 Picsum 列表获取数据失败，正在尝试直连源..."_s);
                    return fetchFallback(fallback, chain);
                }
                const QString id = ids.at(qsizetype(QRandomGenerator::system()->bounded(int(ids.size()))));
                // Encoded as one segment: an id from the reply must not reshape the address.
                const QUrl photo =
                    url(u"/id/"_s + QString::fromLatin1(QUrl::toPercentEncoding(id)) + u"/1920/1080"_s);
                Log::line(u"Tovi: 动态随机拉取 Picsum 壁纸: "_s + photo.toString());
                downloadWallpaper(photo, [this, fallback, chain](bool ok) {
                    m_isPrefetching = false;
                    if (!ok)
                        fetchFallback(fallback, chain);
                    else
                        dropNetworkIfIdle();
                });
            });
    });
}

void WallpaperManager::fetchFallback(const QUrl& url, quint64 chain) {
    downloadWallpaper(url, [this, chain](bool ok) {
        m_isPrefetching = false;
        dropNetworkIfIdle();
        // A chain begun meanwhile speaks for itself.
        if (ok || chain != m_chain)
            return;
        m_lastFetchFailed = true;
        Q_EMIT fetchFailed();
    });
}

void WallpaperManager::downloadWallpaper(const QUrl& url, std::function<void(bool)> completion) {
    if (!url.isValid())
        return completion(false);
    get(url, m_source.photoTimeoutMs, [this, url, completion](const QByteArray& body, const QString& error) {
        if (!error.isEmpty()) {
            Log::line(u"⚠️ 壁纸拉取网络错误: "_s + error);
            return completion(false);
        }
        QtConcurrent::run(&decodeAndStore, body, m_source.cacheDirectory, cacheFilePath())
            .then(this, [this, url, completion](const Stored& stored) {
                if (stored.image.isNull()) {
                    Log::line(u"⚠️ 拉取的壁纸数据无法解析为 NSImage。"_s);
                    return completion(false);
                }
                if (!stored.writeError.isEmpty())
                    Log::line(u"⚠️ 写入本地壁纸缓存磁盘失败: "_s + stored.writeError);
                // Kept on disk for the next rest, not in memory for another theme.
                if (m_wanted)
                    publish(stored.image);
                Log::line(u"✨ 成功预缓存了最新的高清背景壁纸 (源: "_s + url.toString() + u")。"_s);
                completion(true);
            });
    });
}

void WallpaperManager::get(const QUrl& url, int timeoutMs,
                           std::function<void(const QByteArray&, const QString&)> done) {
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    ++m_pendingReplies;
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    QNetworkReply* reply = m_network->get(request);
    // Why we cut the transfer off ourselves; the reply's own error would only say "canceled".
    auto refusal = std::make_shared<QString>();
    auto refuse = [reply, refusal](const QString& why) {
        if (!refusal->isEmpty())
            return;
        *refusal = why;
        reply->abort();
    };
    connect(reply, &QNetworkReply::redirected, reply, [reply, refuse](const QUrl& to) {
        if (to.scheme() == u"https"_s)
            Q_EMIT reply->redirectAllowed();
        else
            refuse(u"Redirect to a non-HTTPS address refused: "_s + to.toString());
    });
    connect(reply, &QNetworkReply::downloadProgress, reply, [refuse](qint64 received, qint64 total) {
        if (received > maxBodyBytes || total > maxBodyBytes)
            refuse(u"Response larger than 32 MiB"_s);
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, refusal, done] {
        reply->deleteLater();
        --m_pendingReplies;
        // An HTTP error status still brings a body; only a failed transfer is an error here.
        const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
                              reply->error() >= QNetworkReply::ProxyConnectionRefusedError;
        const bool failed = reply->error() != QNetworkReply::NoError && !answered;
        if (!refusal->isEmpty())
            done({}, *refusal);
        else
            done(reply->isOpen() ? reply->readAll() : QByteArray(),
                 failed ? reply->errorString() : QString());
    });
}
