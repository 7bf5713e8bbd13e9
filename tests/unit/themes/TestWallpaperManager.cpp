#include "TestEnvironment.h"
#include "platform/Log.h"
#include "themes/WallpaperManager.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
QByteArray jpeg(const QColor& colour, QSize size = {64, 48}) {
    QImage image(size, QImage::Format_RGB32);
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
    for (int at : {5, 7}) {
        bytes[frame + at] = char(5500 >> 8);
        bytes[frame + at + 1] = char(5500 & 0xff);
    }
    return bytes;
}

const QColor listPhoto(40, 200, 120);
const QColor randomPhoto(230, 120, 20);

// An HTTP server on 127.0.0.1 that records request targets and answers by a
// script: "json:BODY", "photo", "random", "html", "bomb", "huge" (past the
// cap, no length given), "redirect" (to plain HTTP) or "silent".
class LoopbackServer : public QObject {
public:
    LoopbackServer() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, &LoopbackServer::accept);
    }
    QUrl base() const { return QUrl(u"http://127.0.0.1:%1"_s.arg(m_server.serverPort())); }

    QString list, photo, random;
    QStringList targets;

private:
    void accept() {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                QByteArray head = socket->property("head").toByteArray() + socket->readAll();
                socket->setProperty("head", head);
                if (head.contains("\r\n\r\n") && !socket->property("answered").toBool()) {
                    socket->setProperty("answered", true);
                    answer(socket, QString::fromLatin1(head.split(' ').value(1)));
                }
            });
        }
    }
    void answer(QTcpSocket* socket, const QString& target) {
        targets << target;
        const QString script = target.startsWith(u"/v2/list"_s) ? list
                               : target.startsWith(u"/id/"_s)   ? photo
                                                                : random;
        if (script == u"silent"_s)
            return;
        QByteArray head = "200 OK", body = script.startsWith(u"json:"_s) ? script.mid(5).toUtf8() : "";
        if (script == u"photo"_s || script == u"random"_s)
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

    // `server`: the scripts for the list, the photo by id and the random
    // photo, then "twice" to call twice, "unwritable" for a cache directory
    // that cannot be made.
    void fetchChain_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("targets");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("published");
        const QString good = u"json:[{\"id\":\"7\",\"author\":\"A\"},{\"id\":\"7\"}]"_s;
        QTest::newRow("a good list and photo are published and cached")
            << good + u" photo random"_s << u"list id"_s << u"chosen:id success:id"_s << u"photo"_s;
        QTest::newRow("a second call while the list is pending starts nothing")
            << good + u" photo random twice"_s << u"list id"_s << u"chosen:id success:id"_s << u"photo"_s;
        QTest::newRow("an empty list falls back to a random photo")
            << u"json:[] photo random"_s << u"list random"_s << u"listFailed success:random"_s << u"random"_s;
        QTest::newRow("a numeric id makes the list unusable")
            << u"json:[{\"id\":\"1\"},{\"id\":7}] photo random"_s << u"list random"_s
            << u"listFailed success:random"_s << u"random"_s;
        QTest::newRow("a list that is not JSON falls back")
            << u"html photo random"_s << u"list random"_s << u"listFailed success:random"_s << u"random"_s;
        QTest::newRow("an id with URL syntax stays one path segment")
            << u"json:[{\"id\":\"7?x#y/..\"}] photo random"_s << u"list odd"_s << u"chosen:odd success:odd"_s
            << u"photo"_s;
        QTest::newRow("an HTML error page instead of the photo leads to the random photo")
            << good + u" html random"_s << u"list id random"_s << u"chosen:id notAnImage success:random"_s
            << u"random"_s;
        QTest::newRow("a refused connection fails both requests")
            << u"closed photo random"_s << QString() << u"listFailed networkError"_s << QString();
        QTest::newRow("a server that never answers times out twice")
            << u"silent silent silent"_s << u"list random"_s << u"listFailed networkError"_s << QString();
        QTest::newRow("a body past the cap is cut off and counts as a failure")
            << good + u" huge random"_s << u"list id random"_s << u"chosen:id tooLarge success:random"_s
            << u"random"_s;
        QTest::newRow("a redirect to plain HTTP is refused")
            << good + u" redirect random"_s << u"list id random"_s
            << u"chosen:id redirectRefused success:random"_s << u"random"_s;
        QTest::newRow("a decompression bomb is not an image")
            << good + u" bomb bomb"_s << u"list id random"_s << u"chosen:id notAnImage notAnImage"_s
            << QString();
        QTest::newRow("an unwritable cache directory still publishes the photo")
            << good + u" photo random unwritable"_s << u"list id"_s << u"chosen:id writeFailed success:id"_s
            << u"photo"_s;
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
        if (script.at(0) == u"closed"_s) {
            QTcpServer closed;
            closed.listen(QHostAddress::LocalHost);
            base.setPort(closed.serverPort());
        }
        WallpaperManager manager({base, 300, 300, directory});
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

    void theCacheFileIsPublishedBeforeAnyReply() {
        LoopbackServer server;
        server.list = u"silent"_s;
        const QString directory = TestEnvironment::freshDirectory(u"seeded"_s);
        QFile file(directory + u"/cached_wallpaper_v2.jpg"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(jpeg(randomPhoto));
        file.close();
        WallpaperManager manager({server.base(), 10'000, 10'000, directory});
        manager.prefetchNextWallpaper();
        QTRY_COMPARE(manager.cachedImage(), QImage::fromData(jpeg(randomPhoto)));
        QVERIFY(manager.isPrefetching());
        QVERIFY(m_lines.isEmpty());
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
        QCOMPARE(normalised(lists, server.base()), QStringList(12, expand(u"list random"_s).at(0)));
        QVERIFY(QSet<QString>(lists.begin(), lists.end()).size() > 1);
    }

private:
    QStringList m_lines;
};

QTEST_GUILESS_MAIN(TestWallpaperManager)
#include "TestWallpaperManager.moc"
