#include "TestEnvironment.h"
#include "platform/Log.h"
#include "themes/WallpaperManager.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThreadPool>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
QByteArray jpeg(const QColor& colour) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

// A small JPEG whose header promises 5500x5500 pixels: over 100 MiB once decoded.
QByteArray bomb() {
    QByteArray bytes = jpeg(Qt::gray);
    const qsizetype frame = bytes.indexOf("\xFF\xC0");
    for (int at : {5, 7})
        bytes[frame + at] = char(5500 >> 8), bytes[frame + at + 1] = char(5500 & 0xff);
    return bytes;
}

const QColor listPhoto(40, 200, 120);
const QColor randomPhoto(230, 120, 20);

// An HTTP server on 127.0.0.1 that records request targets and answers the
// list, the photo by id and the random photo each by a script: "good" (a list
// naming id 7), "json:BODY", "photo", "random", "html", "bomb", "huge" (past
// the cap, no length given), "redirect" (to plain HTTP) or "silent".
class LoopbackServer : public QObject {
public:
    LoopbackServer() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const QByteArray head = socket->peek(socket->bytesAvailable());
                    if (head.contains("\r\n\r\n"))
                        answer(socket, QString::fromLatin1(socket->readAll().split(' ').value(1)));
                });
        });
    }
    QUrl base() const { return QUrl(u"http://127.0.0.1:%1"_s.arg(m_server.serverPort())); }

    QString list, photo, random;
    QStringList targets;

private:
    void answer(QTcpSocket* socket, const QString& target) {
        targets << target;
        const QString script = target.startsWith(u"/v2/list"_s) ? list
                               : target.startsWith(u"/id/"_s)   ? photo
                                                                : random;
        QByteArray head = "200 OK", body = script.startsWith(u"json:"_s) ? script.mid(5).toUtf8() : "";
        if (script == u"silent"_s)
            return;
        if (script == u"good"_s)
            body = R"([{"id":"7","author":"A"},{"id":"7"}])";
        else if (script == u"photo"_s || script == u"random"_s)
            body = jpeg(script == u"photo"_s ? listPhoto : randomPhoto);
        else if (script == u"html"_s)
            head = "500 Internal Server Error", body = "<html><body>oops</body></html>";
        else if (script == u"bomb"_s)
            body = bomb();
        else if (script == u"redirect"_s)
            head = "302 Found\r\nLocation: " + base().toEncoded() + "/elsewhere";
        // No length for the huge body: only counting can stop it.
        if (script != u"huge"_s)
            head += "\r\nContent-Length: " + QByteArray::number(body.size());
        else
            body = QByteArray(WallpaperManager::maxBodyBytes + 1024 * 1024, 'x');
        socket->write("HTTP/1.1 " + head + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
    QTcpServer m_server;
};

// Targets and lines with the random page and UUID replaced, each only if well formed.
QStringList normalised(QStringList lines, const QUrl& base) {
    for (QString& t : lines) {
        t.replace(base.toString(), u"BASE"_s);
        t.replace(QRegularExpression(u"^/v2/list\\?page=([1-9]|10)&"_s), u"/v2/list?page=N&"_s);
        t.replace(
            QRegularExpression(u"\\?random=[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}(?![0-9A-Fa-f-])"_s),
            u"?random=UUID"_s);
    }
    return lines;
}

// The rows' words for the targets and lines; a line ending in * is a prefix.
QStringList expand(const QString& words) {
    static const QHash<QString, QString> text{
        {u"list"_s, u"/v2/list?page=N&limit=30"_s},
        {u"id"_s, u"/id/7/1920/1080"_s},
        {u"odd"_s, u"/id/7%3Fx%23y%2F../1920/1080"_s},
        {u"random"_s, u"/1920/1080?random=UUID"_s},
        {u"listFailed"_s, u"⚠️ 从 Picsum 列表获取数据失败，正在尝试直连源..."_s},
        {u"notAnImage"_s, u"⚠️ 拉取的壁纸数据无法解析为 NSImage。"_s},
        {u"networkError"_s, u"⚠️ 壁纸拉取网络错误: *"_s},
        {u"tooLarge"_s, u"⚠️ 壁纸拉取网络错误: Response larger than 32 MiB"_s},
        {u"redirectRefused"_s,
         u"⚠️ 壁纸拉取网络错误: Redirect to a non-HTTPS address refused: *"_s},
        {u"writeFailed"_s, u"⚠️ 写入本地壁纸缓存磁盘失败: *"_s},
    };
    QStringList out;
    for (const QString& word : words.split(u' ', Qt::SkipEmptyParts)) {
        if (word.startsWith(u"chosen:"_s))
            out << u"Tovi: 动态随机拉取 Picsum 壁纸: BASE"_s + text.value(word.mid(7));
        else if (word.startsWith(u"success:"_s))
            out << u"✨ 成功预缓存了最新的高清背景壁纸 (源: BASE"_s + text.value(word.mid(8)) + u")。"_s;
        else
            out << text.value(word);
    }
    return out;
}

int mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}
} // namespace

class TestWallpaperManager : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Log::setCapture(&m_lines); }
    void cleanup() {
        Log::setCapture(nullptr);
        m_lines.clear();
    }

    // `server`: the scripts for the list, the photo by id and the random photo,
    // then "twice" to call twice, "unwritable" for a cache directory that
    // cannot be made; the list script "closed" is a port nobody listens on.
    void fetchChain_data() {
        for (const char* column : {"server", "targets", "lines", "published"})
            QTest::addColumn<QString>(column);
        const auto row = [](const char* name, const char* server, const char* targets, const char* lines,
                            const char* published) {
            QTest::newRow(name) << QString::fromUtf8(server) << QString::fromUtf8(targets)
                                << QString::fromUtf8(lines) << QString::fromUtf8(published);
        };
        row("a good list and photo are published and cached", "good photo random", "list id",
            "chosen:id success:id", "photo");
        row("a second call while the list is pending starts nothing", "good photo random twice", "list id",
            "chosen:id success:id", "photo");
        row("an empty list falls back to a random photo", "json:[] photo random", "list random",
            "listFailed success:random", "random");
        row("a numeric id makes the list unusable", R"(json:[{"id":"1"},{"id":7}] photo random)",
            "list random", "listFailed success:random", "random");
        row("a list that is not JSON falls back", "html photo random", "list random",
            "listFailed success:random", "random");
        row("an id with URL syntax stays one path segment", R"(json:[{"id":"7?x#y/.."}] photo random)",
            "list odd", "chosen:odd success:odd", "photo");
        row("an HTML error page instead of the photo leads to the random photo", "good html random",
            "list id random", "chosen:id notAnImage success:random", "random");
        row("a refused connection fails both requests", "closed photo random", "", "listFailed networkError",
            "");
        row("a server that never answers times out twice", "silent silent silent", "list random",
            "listFailed networkError", "");
        row("a body past the cap is cut off and counts as a failure", "good huge random", "list id random",
            "chosen:id tooLarge success:random", "random");
        row("a redirect to plain HTTP is refused", "good redirect random", "list id random",
            "chosen:id redirectRefused success:random", "random");
        row("a decompression bomb is not an image", "good bomb bomb", "list id random",
            "chosen:id notAnImage notAnImage", "");
        row("an unwritable cache directory still publishes the photo", "good photo random unwritable",
            "list id", "chosen:id writeFailed success:id", "photo");
    }
    void fetchChain() {
        QFETCH(QString, server);
        QFETCH(QString, targets);
        QFETCH(QString, lines);
        QFETCH(QString, published);
        const QStringList script = server.split(u' ');
        LoopbackServer loopback;
        loopback.list = script.at(0), loopback.photo = script.at(1), loopback.random = script.at(2);
        const QString home = TestEnvironment::freshDirectory(u"wallpaper"_s);
        const bool unwritable = script.contains(u"unwritable"_s);
        if (unwritable)
            QFile(home + u"/file"_s).open(QIODevice::WriteOnly);
        const QString directory = home + (unwritable ? u"/file/Tovi"_s : u"/cache/Tovi"_s);
        QUrl base = loopback.base();
        QTcpServer closed;
        if (script.at(0) == u"closed"_s && closed.listen(QHostAddress::LocalHost))
            base.setPort(closed.serverPort()), closed.close();
        WallpaperManager manager({base, 1000, 1000, directory});
        QSignalSpy failed(&manager, &WallpaperManager::fetchFailed);
        for (int i = script.contains(u"twice"_s) ? 2 : 1; i > 0; --i)
            manager.prefetchNextWallpaper();
        const QStringList expected = expand(lines);
        QTRY_COMPARE_WITH_TIMEOUT(m_lines.size(), expected.size(), 10'000);

        QCOMPARE(normalised(loopback.targets, base), expand(targets));
        const QStringList printed = normalised(m_lines, base);
        for (qsizetype i = 0; i < expected.size(); ++i)
            QVERIFY2(expected.at(i).endsWith(u'*') ? printed.at(i).startsWith(expected.at(i).chopped(1))
                                                   : printed.at(i) == expected.at(i),
                     qPrintable(printed.at(i)));
        QVERIFY(!manager.isPrefetching());
        QCOMPARE(manager.cachedImage().isNull(), published.isEmpty());
        QCOMPARE(manager.lastFetchFailed(), published.isEmpty());
        QCOMPARE(failed.size(), published.isEmpty() ? 1 : 0);
        const QString file = directory + u"/cached_wallpaper_v2.jpg"_s;
        QCOMPARE(QFile::exists(file), !published.isEmpty() && !unwritable);
        if (!QFile::exists(file))
            return;
        const QByteArray bytes = jpeg(published == u"photo"_s ? listPhoto : randomPhoto);
        QCOMPARE(manager.cachedImage(), QImage::fromData(bytes));
        QFile cached(file);
        QVERIFY(cached.open(QIODevice::ReadOnly));
        QCOMPARE(cached.readAll(), bytes);
        QCOMPARE(mode(file), 0600);
        QCOMPARE(mode(directory), 0700);
    }

    // Decoded on first use (before any reply), not at start-up; dropped on release.
    void theCacheFileIsDecodedOnFirstUseOnly() {
        LoopbackServer server;
        server.list = u"silent"_s;
        const QString directory = TestEnvironment::freshDirectory(u"seeded"_s);
        QVERIFY(TestEnvironment::writeFile(directory + u"/cached_wallpaper_v2.jpg"_s, jpeg(randomPhoto)));
        WallpaperManager manager({server.base(), 10'000, 10'000, directory});
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(manager.cachedImage().isNull());
        manager.prefetchNextWallpaper();
        QTRY_COMPARE(manager.cachedImage(), QImage::fromData(jpeg(randomPhoto)));
        QVERIFY(manager.isPrefetching());
        QVERIFY(m_lines.isEmpty());
        manager.release();
        QVERIFY(manager.cachedImage().isNull());
        manager.loadFromLocalCache();
        QCOMPARE(manager.cachedImage(), QImage::fromData(jpeg(randomPhoto)));
    }

    void everyPageIsWithinOneToTen() {
        LoopbackServer server;
        server.list = u"json:[]"_s, server.random = u"html"_s;
        WallpaperManager manager({server.base(), 1000, 1000, QString()});
        for (int chain = 0; chain < 12; ++chain) {
            manager.prefetchNextWallpaper();
            QTRY_VERIFY(!manager.isPrefetching());
        }
        const QStringList lists = server.targets.filter(u"/v2/list"_s);
        QCOMPARE(normalised(lists, server.base()), QStringList(12, expand(u"list"_s).at(0)));
        QVERIFY(QSet<QString>(lists.begin(), lists.end()).size() > 1);
    }

private:
    QStringList m_lines;
};

QTEST_GUILESS_MAIN(TestWallpaperManager)
#include "TestWallpaperManager.moc"
