#include "TestEnvironment.h"
#include "platform/Log.h"
#include "stats/StatsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}
} // namespace

class TestStatsStore : public QObject {
    Q_OBJECT
private:
    QString m_base;
    QStringList m_log;

    static void writeMonth(StatsStore& store, const QString& key, const QByteArray& bytes) {
        QVERIFY(TestEnvironment::writeFile(store.eventsDirectory() + u'/' + key + u".jsonl"_s, bytes));
    }
    static QByteArray validLine(const QString& timestamp) {
        return TestEnvironment::statsLine(timestamp, u"rest_started"_s);
    }

private Q_SLOTS:
    void initTestCase() { TestEnvironment::useTimeZone("Europe/Berlin"); }

    void init() {
        m_base = TestEnvironment::freshDirectory(u"store"_s);
        m_log.clear();
        Log::setCapture(&m_log);
    }
    void cleanup() { Log::setCapture(nullptr); }

    void createsPrivateLayout() {
        StatsStore store(m_base);
        QCOMPARE(store.eventsDirectory(), m_base + u"/Tovi/Stats/events"_s);
        QVERIFY(QFileInfo(store.reportsDirectory()).isDir());
        QCOMPARE(modeOf(store.rootDirectory()), mode_t(0700));
        QCOMPARE(modeOf(store.eventsDirectory()), mode_t(0700));
        store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                     localTime(2025, 3, 1, 8));
        QCOMPARE(modeOf(store.eventsDirectory() + u"/2025-03.jsonl"_s), mode_t(0600));
        QVERIFY(m_log.isEmpty());
    }

    void recordFillsTheFields() {
        StatsStore store(m_base);
        store.record(StatsEventType::restCompleted, StatsEventSource::scheduled, u"S1"_s,
                     {{u"actualSeconds"_s, 20}}, localTime(2025, 3, 31, 23, 59, 59));
        store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                     localTime(2025, 4, 1));
        const QStringList march = TestEnvironment::readLines(store.eventsDirectory() + u"/2025-03.jsonl"_s);
        const QStringList april = TestEnvironment::readLines(store.eventsDirectory() + u"/2025-04.jsonl"_s);
        QCOMPARE(march.size(), 1);
        QCOMPARE(april.size(), 1);
        const QJsonObject o = QJsonDocument::fromJson(march.first().toUtf8()).object();
        // 23:59:59 in Berlin is 21:59:59 UTC; the keys stay local.
        QCOMPARE(o.value("timestamp"_L1).toString(), u"2025-03-31T21:59:59Z"_s);
        QCOMPARE(o.value("dayKey"_L1).toString(), u"2025-03-31"_s);
        QCOMPARE(o.value("monthKey"_L1).toString(), u"2025-03"_s);
        QCOMPARE(o.value("sessionId"_L1).toString(), u"S1"_s);
        QCOMPARE(o.value("appVersion"_L1).toString(), u"0.1.0"_s);
        QVERIFY(QRegularExpression(u"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"_s)
                    .match(o.value("id"_L1).toString())
                    .hasMatch());
    }

    void monthKeys_data() {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("end");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("inside one month")
            << localTime(2025, 3, 2) << localTime(2025, 3, 3) << QStringList{u"2025-03"_s};
        QTest::newRow("ending exactly at a month start")
            << localTime(2025, 3, 1) << localTime(2025, 4, 1) << QStringList{u"2025-03"_s};
        QTest::newRow("one second into the next month")
            << localTime(2025, 3, 31) << localTime(2025, 4, 1, 0, 0, 1)
            << QStringList{u"2025-03"_s, u"2025-04"_s};
        QTest::newRow("across a year") << localTime(2024, 12, 15) << localTime(2025, 2, 3)
                                       << QStringList{u"2024-12"_s, u"2025-01"_s, u"2025-02"_s};
        QTest::newRow("empty interval")
            << localTime(2025, 3, 5) << localTime(2025, 3, 5) << QStringList{u"2025-03"_s};
    }

    void monthKeys() {
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, end);
        QFETCH(QStringList, keys);
        QCOMPARE(StatsStore::monthKeys(start, end), keys);
    }

    void intervalIsHalfOpen() {
        StatsStore store(m_base);
        for (const QDateTime& at :
             {localTime(2025, 3, 1), localTime(2025, 3, 1, 23, 59, 59), localTime(2025, 3, 2)})
            store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, at);
        const auto day = store.events(localTime(2025, 3, 1), localTime(2025, 3, 2));
        QCOMPARE(day.size(), 2);
        QCOMPARE(day.first().timestamp, localTime(2025, 3, 1));
        QVERIFY(store.hasEvents(localTime(2025, 3, 2, 12)));
        QVERIFY(!store.hasEvents(localTime(2025, 3, 3, 12)));
    }

    void readingSkipsWhatDoesNotDecode() {
        StatsStore store(m_base);
        const QByteArray a = validLine(u"2025-03-01T10:00:00Z"_s);
        const QByteArray b = validLine(u"2025-03-01T11:00:00Z"_s);
        // A blank line, broken JSON, every kind of line break, no final line feed.
        writeMonth(store, u"2025-03"_s,
                   "\n" + a + "\r\n{\"id\":\n\n" + a + "\r" + a + "\xE2\x80\xA8" + a + "\v" + b);
        const auto events = store.readMonth(u"2025-03"_s);
        QCOMPARE(events.size(), 5);
        QCOMPARE(events.last().timestamp, QDateTime(QDate(2025, 3, 1), QTime(11, 0), Qt::UTC));

        writeMonth(store, u"2025-04"_s, validLine(u"2025-04-02T10:00:00.250Z"_s) + "\n");
        QVERIFY(!store.hasEvents(localTime(2025, 4, 2, 12)));
        QVERIFY(m_log.isEmpty());
    }

    void appendsNeverGlueOntoATornLine_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("decodable");
        QTest::newRow("a cut last line is ended before the new event")
            << validLine(u"2025-03-01T10:00:00Z"_s).chopped(20) << 1;
        QTest::newRow("a whole last line without its line feed keeps both events")
            << validLine(u"2025-03-01T10:00:00Z"_s) << 2;
        QTest::newRow("a file ending in a line feed gets no blank line")
            << validLine(u"2025-03-01T10:00:00Z"_s) + "\n"
            << 2;
    }

    void appendsNeverGlueOntoATornLine() {
        QFETCH(QByteArray, before);
        QFETCH(int, decodable);
        StatsStore store(m_base);
        writeMonth(store, u"2025-03"_s, before);
        store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                     localTime(2025, 3, 1, 12));
        const QStringList lines = TestEnvironment::readLines(store.eventsDirectory() + u"/2025-03.jsonl"_s);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(store.readMonth(u"2025-03"_s).size(), decodable);
        QCOMPARE(store.readMonth(u"2025-03"_s).last().type, StatsEventType::appLaunched);
    }

    void aWriteCutShortByAFullDiskLeavesNoPartialLine() {
        StatsStore store(m_base);
        const QString path = store.eventsDirectory() + u"/2025-03.jsonl"_s;
        const QByteArray first = validLine(u"2025-03-01T10:00:00Z"_s) + "\n";
        writeMonth(store, u"2025-03"_s, first);
        // A file size limit makes the kernel write part of the line and then refuse, as a full disk does.
        struct rlimit saved {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tight = saved;
        tight.rlim_cur = rlim_t(first.size() + 40);
        ::setrlimit(RLIMIT_FSIZE, &tight);
        store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                     localTime(2025, 3, 1, 12));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), first);
        QCOMPARE(m_log.filter(u"Tovi Stats: failed to record event: "_s).size(), 1);
    }

    void hasEventsOnADayThatStartsInAGap() {
        // Santiago skipped from 00:00 to 01:00 on 2024-09-08.
        TestEnvironment::useTimeZone("America/Santiago");
        StatsStore store(m_base);
        store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                     QDateTime(QDate(2024, 9, 8), QTime(1, 30), Qt::LocalTime));
        const bool found = store.hasEvents(QDateTime(QDate(2024, 9, 8), QTime(12, 0), Qt::LocalTime));
        TestEnvironment::useTimeZone("Europe/Berlin");
        QVERIFY(found);
    }

    void recreatesDeletedEventsDirectory() {
        StatsStore store(m_base);
        QVERIFY(QDir(store.eventsDirectory()).removeRecursively());
        store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                     localTime(2025, 3, 1, 9));
        QCOMPARE(store.events(localTime(2025, 3, 1), localTime(2025, 3, 2)).size(), 1);
        QVERIFY(m_log.isEmpty());
    }

    void baseThatIsAFileIsLoggedAndSurvived() {
        // An unwritable base takes the same path, but root writes through permissions.
        QVERIFY(TestEnvironment::writeFile(m_base + u"/Tovi"_s, {}));
        StatsStore store(m_base);
        store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                     localTime(2025, 3, 1, 9));
        store.saveMeta({u"2025-03-01"_s});
        QVERIFY(!m_log.filter(u"Tovi Stats: failed to create directories: "_s).isEmpty());
        QCOMPARE(m_log.filter(u"Tovi Stats: failed to record event: "_s).size(), 1);
        QCOMPARE(m_log.filter(u"Tovi Stats: failed to save meta: "_s).size(), 1);
        QVERIFY(store.events(localTime(2025, 3, 1), localTime(2025, 3, 2)).isEmpty());
        QVERIFY(!store.loadMeta().lastDailyReportPromptDay);
    }

    void concurrentAppendsStayWhole() {
        StatsStore store(m_base);
        constexpr int perThread = 5000;
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&store, t] {
                for (int i = 0; i < perThread; ++i)
                    store.record(StatsEventType::hydrationPromptShown, StatsEventSource::scheduled,
                                 std::nullopt, {{u"thread"_s, t}, {u"i"_s, i}}, localTime(2025, 3, 1, 12));
            });
        }
        for (auto& thread : threads)
            thread.join();
        const QStringList lines = TestEnvironment::readLines(store.eventsDirectory() + u"/2025-03.jsonl"_s);
        QCOMPARE(lines.size(), 4 * perThread);
        QSet<QString> seen;
        for (const QString& l : lines) {
            const auto event = StatsEvent::fromJson(l.toUtf8());
            QVERIFY2(event, qPrintable(l));
            seen.insert(event->payload.value(u"thread"_s).stringValue() + u'/' +
                        event->payload.value(u"i"_s).stringValue());
        }
        QCOMPARE(seen.size(), 4 * perThread);
    }

    void metaRoundTrip() {
        StatsStore store(m_base);
        QVERIFY(!store.loadMeta().lastDailyReportPromptDay);
        store.saveMeta({u"2025-03-01"_s});
        QCOMPARE(store.loadMeta().lastDailyReportPromptDay, std::optional(u"2025-03-01"_s));
        QFile file(store.metaPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), R"({"lastDailyReportPromptDay":"2025-03-01"})"_ba);
        file.close();
        QCOMPARE(modeOf(store.metaPath()), mode_t(0600));
        store.saveMeta({});
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "{}"_ba);
        file.close();

        QVERIFY(TestEnvironment::writeFile(store.metaPath(), "garbage"));
        QVERIFY(!store.loadMeta().lastDailyReportPromptDay);
    }
};

QTEST_GUILESS_MAIN(TestStatsStore)
#include "TestStatsStore.moc"
