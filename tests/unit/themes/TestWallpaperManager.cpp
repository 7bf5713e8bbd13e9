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
        QByteArray status = "200 OK", extra, body;
        if (script.startsWith(u"json:"_s))
            body = script.mid(5).toUtf8();
        else if (script == u"photo"_s || script == u"random"_s)
            body = jpeg(script == u"photo"_s ? listPhoto : randomPhoto);
        else if (script == u"html"_s)
            status = "500 Internal Server Error", body = "<html><body>oops</body></html>";
        else if (script == u"bomb"_s)
            body = bomb();
        else if (script == u"redirect"_s)
            status = "302 Found", extra = "Location: " + base().toEncoded() + "/elsewhere\r\n";
        if (script == u"huge"_s) {
            socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
            socket->write(QByteArray(WallpaperManager::maxBodyBytes + 1024 * 1024, 'x'));
        } else {
            socket->write("HTTP/1.1 " + status + "\r\nConnection: close\r\n" + extra +
                          "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        }
        socket->disconnectFromHost();
    }
    QTcpServer m_server;
};

// Targets and lines with the random page and UUID replaced, each only if well formed.
QStringList normalised(const QStringList& targets) {
    QStringList out;
    for (QString t : targets) {
        t.replace(QRegularExpression(u"^/v2/list\\?page=([1-9]|10)&"_s), u"/v2/list?page=N&"_s);
        t.replace(
            QRegularExpression(u"\\?random=[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}(?![0-9A-Fa-f-])"_s),
            u"?random=UUID"_s);
        out << t;
    }
    return out;
}

const QString listTarget = u"/v2/list?page=N&limit=30"_s;
const QString randomTarget = u"/1920/1080?random=UUID"_s;
const QString listFailed = u"⚠️ 从 Picsum 列表获取数据失败，正在尝试直连源..."_s;
const QString notAnImage = u"⚠️ 拉取的壁纸数据无法解析为 NSImage。"_s;
const QString networkError = u"⚠️ 壁纸拉取网络错误: *"_s;
QString chosen(const QString& path) {
    return u"Tovi: 动态随机拉取 Picsum 壁纸: BASE"_s + path;
}
QString success(const QString& path) {
    return u"✨ 成功预缓存了最新的高清背景壁纸 (源: BASE"_s + path + u")。"_s;
}

int mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}
bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
           std::abs(a.blue() - b.blue()) < 12;
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

    void fetchChain_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("photo");
        QTest::addColumn<QString>("random");
        QTest::addColumn<int>("calls");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QColor>("published");

        const QString good = u"json:[{\"id\":\"7\",\"author\":\"A\"},{\"id\":\"7\"}]"_s;
        const QString byId = u"/id/7/1920/1080"_s;
        QTest::newRow("a good list and photo are published and cached")
            << good << u"photo"_s << u"random"_s << 1 << QStringList{listTarget, byId}
            << QStringList{chosen(byId), success(byId)} << listPhoto;
        QTest::newRow("a second call while the list is pending starts nothing")
            << good << u"photo"_s << u"random"_s << 2 << QStringList{listTarget, byId}
            << QStringList{chosen(byId), success(byId)} << listPhoto;
        QTest::newRow("an empty list falls back to a random photo")
            << u"json:[]"_s << u"photo"_s << u"random"_s << 1 << QStringList{listTarget, randomTarget}
            << QStringList{listFailed, success(randomTarget)} << randomPhoto;
        QTest::newRow("a numeric id makes the list unusable")
            << u"json:[{\"id\":\"1\"},{\"id\":7}]"_s << u"photo"_s << u"random"_s << 1
            << QStringList{listTarget, randomTarget} << QStringList{listFailed, success(randomTarget)}
            << randomPhoto;
        QTest::newRow("a list that is not JSON falls back")
            << u"html"_s << u"photo"_s << u"random"_s << 1 << QStringList{listTarget, randomTarget}
            << QStringList{listFailed, success(randomTarget)} << randomPhoto;
        QTest::newRow("an id with URL syntax stays one path segment")
            << u"json:[{\"id\":\"7?x#y/..\"}]"_s << u"photo"_s << u"random"_s << 1
            << QStringList{listTarget, u"/id/7%3Fx%23y%2F../1920/1080"_s}
            << QStringList{chosen(u"/id/7%3Fx%23y%2F../1920/1080"_s),
                           success(u"/id/7%3Fx%23y%2F../1920/1080"_s)}
            << listPhoto;
        QTest::newRow("an HTML error page instead of the photo leads to the random photo")
            << good << u"html"_s << u"random"_s << 1 << QStringList{listTarget, byId, randomTarget}
            << QStringList{chosen(byId), notAnImage, success(randomTarget)} << randomPhoto;
        QTest::newRow("a refused connection fails both requests")
            << u"closed"_s << u"photo"_s << u"random"_s << 1 << QStringList{}
            << QStringList{listFailed, networkError} << QColor();
        QTest::newRow("a server that never answers times out twice")
            << u"silent"_s << u"silent"_s << u"silent"_s << 1 << QStringList{listTarget, randomTarget}
            << QStringList{listFailed, networkError} << QColor();
        QTest::newRow("a body past the cap is cut off and counts as a failure")
            << good << u"huge"_s << u"random"_s << 1 << QStringList{listTarget, byId, randomTarget}
            << QStringList{chosen(byId), u"⚠️ 壁纸拉取网络错误: Response larger than 32 MiB"_s,
                           success(randomTarget)}
            << randomPhoto;
        QTest::newRow("a redirect to plain HTTP is refused")
            << good << u"redirect"_s << u"random"_s << 1 << QStringList{listTarget, byId, randomTarget}
            << QStringList{chosen(byId),
                           u"⚠️ 壁纸拉取网络错误: Redirect to a non-HTTPS address refused: *"_s,
                           success(randomTarget)}
            << randomPhoto;
        QTest::newRow("a decompression bomb is not an image")
            << good << u"bomb"_s << u"bomb"_s << 1 << QStringList{listTarget, byId, randomTarget}
            << QStringList{chosen(byId), notAnImage, notAnImage} << QColor();
        QTest::newRow("an unwritable cache directory still publishes the photo")
            << good << u"photo"_s << u"random"_s << 1 << QStringList{listTarget, byId}
            << QStringList{chosen(byId), u"⚠️ 写入本地壁纸缓存磁盘失败: *"_s, success(byId)}
            << listPhoto;
    }
    void fetchChain() {
        QFETCH(QString, list);
        QFETCH(QString, photo);
        QFETCH(QString, random);
        QFETCH(int, calls);
        QFETCH(QStringList, targets);
        QFETCH(QStringList, lines);
        QFETCH(QColor, published);

        LoopbackServer server;
        server.list = list, server.photo = photo, server.random = random;
        const QString home = TestEnvironment::freshDirectory(u"wallpaper"_s);
        const bool unwritable = QString::fromLatin1(QTest::currentDataTag()).contains(u"unwritable"_s);
        if (unwritable)
            QFile(home + u"/file"_s).open(QIODevice::WriteOnly);
        const QString directory = home + (unwritable ? u"/file/Tovi"_s : u"/cache/Tovi"_s);
        QUrl base = server.base();
        if (list == u"closed"_s) {
            QTcpServer closed;
            closed.listen(QHostAddress::LocalHost);
            base.setPort(closed.serverPort());
        }
        WallpaperManager manager({base, 300, 300, directory});
        for (int i = 0; i < calls; ++i)
            manager.prefetchNextWallpaper();
        QTRY_COMPARE_WITH_TIMEOUT(m_lines.size(), lines.size(), 10'000);

        QCOMPARE(normalised(server.targets), targets);
        const QStringList printed = normalised(m_lines.replaceInStrings(base.toString(), u"BASE"_s));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString& line = printed.at(i);
            if (lines.at(i).endsWith(u'*'))
                QVERIFY2(line.startsWith(lines.at(i).chopped(1)), qPrintable(line));
            else
                QCOMPARE(line, lines.at(i));
        }
        QVERIFY(!manager.isPrefetching());
        QCOMPARE(manager.cachedImage().isNull(), !published.isValid());
        const QString file = directory + u"/cached_wallpaper_v2.jpg"_s;
        if (!published.isValid() || unwritable) {
            QVERIFY(!QFile::exists(file));
            return;
        }
        QVERIFY(near(manager.cachedImage().pixelColor(10, 10), published));
        QFile cached(file);
        QVERIFY(cached.open(QIODevice::ReadOnly));
        QCOMPARE(cached.readAll(), jpeg(published));
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
        QTRY_VERIFY(!manager.cachedImage().isNull());
        QVERIFY(near(manager.cachedImage().pixelColor(0, 0), randomPhoto));
        QVERIFY(manager.isPrefetching());
        QVERIFY(m_lines.isEmpty());
    }

    void everyPageIsWithinOneToTen() {
        LoopbackServer server;
        server.list = u"json:[]"_s, server.random = u"html"_s;
        WallpaperManager manager({server.base(), 1000, 1000, QString()});
        QSet<QString> pages;
        for (int chain = 0; chain < 12; ++chain) {
            manager.prefetchNextWallpaper();
            QTRY_VERIFY(!manager.isPrefetching());
        }
        for (const QString& target : std::as_const(server.targets))
            if (target.startsWith(u"/v2/list"_s))
                pages << target;
        QCOMPARE(normalised(pages.values()), QStringList(pages.size(), listTarget));
        QVERIFY(pages.size() > 1);
    }

private:
    QStringList m_lines;
};

QTEST_GUILESS_MAIN(TestWallpaperManager)
#include "TestWallpaperManager.moc"
