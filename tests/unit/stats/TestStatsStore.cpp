#include "TestEnvironment.h"
#include "platform/Log.h"
#include "stats/StatsEventReader.h"
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

using namespace Qt::StringLiterals;
using TestEnvironment::statsLine;

namespace {
mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}
void launch(StatsStore& store, const QDateTime& at) {
    store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, at);
}
QString monthFile(const StatsStore& store, const QString& key) {
    return store.eventsDirectory() + u'/' + key + u".jsonl"_s;
}
} // namespace

class TestStatsStore : public QObject {
    Q_OBJECT
private:
    QString m_base;
    QStringList m_log;

private Q_SLOTS:
    void initTestCase() { TestEnvironment::useTimeZone("Europe/Berlin"); }
    void init() {
        m_base = TestEnvironment::freshDirectory(u"store"_s);
        m_log.clear();
        Log::setCapture(&m_log);
    }
    void cleanup() { Log::setCapture(nullptr); }

    void recordWritesPrivateLinesUnderLocalKeys() {
        StatsStore store(m_base);
        QCOMPARE(store.eventsDirectory(), m_base + u"/Tovi/Stats/events"_s);
        QVERIFY(QFileInfo(store.reportsDirectory()).isDir());
        QCOMPARE(modeOf(store.rootDirectory()), mode_t(0700));
        QCOMPARE(modeOf(store.eventsDirectory()), mode_t(0700));
        const StatsPayload payload{
            {u"plannedSeconds"_s, 20}, {u"theme"_s, u"aurora"_s}, {u"ratio"_s, 0.5}, {u"flag"_s, true}};
        store.record(StatsEventType::restSkipped, StatsEventSource::autoTimeout, u"S1"_s, payload,
                     localTime(2025, 3, 31, 23, 59, 59).addMSecs(999));
        launch(store, localTime(2025, 4, 1));
        QCOMPARE(modeOf(monthFile(store, u"2025-03"_s)), mode_t(0600));
        const QStringList march = TestEnvironment::readLines(monthFile(store, u"2025-03"_s));
        const QStringList april = TestEnvironment::readLines(monthFile(store, u"2025-04"_s));
        QCOMPARE(march.size(), 1);
        QCOMPARE(april.size(), 1);
        const QJsonObject o = QJsonDocument::fromJson(march.first().toUtf8()).object();
        // 23:59:59 in Berlin is 21:59:59 UTC, in whole seconds; the keys stay local.
        QStringList fields;
        for (const char* key : {"timestamp", "dayKey", "monthKey", "sessionId", "type", "source"})
            fields << o[QLatin1StringView(key)].toString();
        QCOMPARE(fields, (QStringList{u"2025-03-31T21:59:59Z"_s, u"2025-03-31"_s, u"2025-03"_s, u"S1"_s,
                                      u"rest_skipped"_s, u"auto_timeout"_s}));
        QVERIFY(QRegularExpression(u"^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"_s)
                    .match(o["id"_L1].toString())
                    .hasMatch());
        const StatsEvent back = store.readMonth(u"2025-03"_s).value(0);
        QCOMPARE(back.payload, payload);
        QCOMPARE(back.timestamp, localTime(2025, 3, 31, 23, 59, 59));
        QVERIFY(back.type == StatsEventType::restSkipped && back.source == StatsEventSource::autoTimeout);
        // An absent session is left out, not written as null.
        QVERIFY(!april.first().contains(u"sessionId"_s) && !store.readMonth(u"2025-04"_s).value(0).sessionId);
        // No JSON number is NaN, but a recorded one must not become an integer.
        QVERIFY(!StatsPayloadValue(std::nan("")).intValue());
        QVERIFY(m_log.isEmpty());
    }

    void monthKeys_data() {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QDateTime>("end");
        QTest::addColumn<QString>("keys");
        QTest::newRow("inside one month") << localTime(2025, 3, 2) << localTime(2025, 3, 3) << u"2025-03"_s;
        QTest::newRow("ending exactly at a month start")
            << localTime(2025, 3, 1) << localTime(2025, 4, 1) << u"2025-03"_s;
        QTest::newRow("one second into the next month")
            << localTime(2025, 3, 31) << localTime(2025, 4, 1, 0, 0, 1) << u"2025-03 2025-04"_s;
        QTest::newRow("across a year")
            << localTime(2024, 12, 15) << localTime(2025, 2, 3) << u"2024-12 2025-01 2025-02"_s;
        QTest::newRow("empty interval") << localTime(2025, 3, 5) << localTime(2025, 3, 5) << u"2025-03"_s;
    }
    void monthKeys() {
        QFETCH(QDateTime, start);
        QFETCH(QDateTime, end);
        QFETCH(QString, keys);
        QCOMPARE(StatsStore::monthKeys(start, end), keys.split(u' '));
    }

    void intervalIsHalfOpenInARecreatedDirectory() {
        StatsStore store(m_base);
        QVERIFY(QDir(store.eventsDirectory()).removeRecursively());
        for (const QDateTime& at :
             {localTime(2025, 3, 1), localTime(2025, 3, 1, 23, 59, 59), localTime(2025, 3, 2)})
            launch(store, at);
        const auto day = store.events(localTime(2025, 3, 1), localTime(2025, 3, 2));
        QCOMPARE(day.size(), 2);
        QCOMPARE(day.first().timestamp, localTime(2025, 3, 1));
        QVERIFY(store.hasEvents(localTime(2025, 3, 2, 12)));
        QVERIFY(!store.hasEvents(localTime(2025, 3, 3, 12)));
        QVERIFY(m_log.isEmpty());
    }

    void readingSkipsWhatDoesNotDecode() {
        StatsStore store(m_base);
        const QByteArray a = statsLine(u"2025-03-01T10:00:00Z"_s);
        const QByteArray b = statsLine(u"2025-03-01T11:00:00Z"_s);
        // A blank line, broken JSON, every kind of line break, no final line feed.
        const QByteArray month = "\n" + a + "\r\n{\"id\":\n\n" + a + "\r" + a + "\xE2\x80\xA8" + a + "\v" + b;
        QVERIFY(TestEnvironment::writeFile(monthFile(store, u"2025-03"_s), month));
        const auto events = store.readMonth(u"2025-03"_s);
        QCOMPARE(events.size(), 5);
        QCOMPARE(events.last().timestamp, QDateTime(QDate(2025, 3, 1), QTime(11, 0), Qt::UTC));

        QVERIFY(TestEnvironment::writeFile(monthFile(store, u"2025-04"_s),
                                           statsLine(u"2025-04-02T10:00:00.250Z"_s) + "\n"));
        QVERIFY(!store.hasEvents(localTime(2025, 4, 2, 12)));
        QVERIFY(m_log.isEmpty());
    }

    void appendsNeverGlueOntoATornLine_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("decodable");
        const QByteArray line = statsLine(u"2025-03-01T10:00:00Z"_s, u"rest_started"_s);
        QTest::newRow("a cut last line is ended before the new event") << line.chopped(20) << 1;
        QTest::newRow("a whole last line without its line feed keeps both events") << line << 2;
        QTest::newRow("a file ending in a line feed gets no blank line") << line + "\n" << 2;
    }
    void appendsNeverGlueOntoATornLine() {
        QFETCH(QByteArray, before);
        QFETCH(int, decodable);
        StatsStore store(m_base);
        QVERIFY(TestEnvironment::writeFile(monthFile(store, u"2025-03"_s), before));
        launch(store, localTime(2025, 3, 1, 12));
        QCOMPARE(TestEnvironment::readLines(monthFile(store, u"2025-03"_s)).size(), 2);
        const auto events = store.readMonth(u"2025-03"_s);
        QCOMPARE(events.size(), decodable);
        QCOMPARE(events.last().type, StatsEventType::appLaunched);
    }

    void aWriteCutShortByAFullDiskLeavesNoPartialLine() {
        StatsStore store(m_base);
        const QByteArray first = statsLine(u"2025-03-01T10:00:00Z"_s) + "\n";
        QVERIFY(TestEnvironment::writeFile(monthFile(store, u"2025-03"_s), first));
        // A file size limit makes the kernel write part of the line and then refuse, as a full disk does.
        struct rlimit saved {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tight = saved;
        tight.rlim_cur = rlim_t(first.size() + 40);
        ::setrlimit(RLIMIT_FSIZE, &tight);
        launch(store, localTime(2025, 3, 1, 12));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(TestEnvironment::readLines(monthFile(store, u"2025-03"_s)),
                 QStringList{QString::fromUtf8(first.trimmed())});
        QCOMPARE(QFileInfo(monthFile(store, u"2025-03"_s)).size(), first.size());
        QCOMPARE(m_log.filter(u"Tovi Stats: failed to record event: "_s).size(), 1);
    }

    void hasEventsOnADayThatStartsInAGap() {
        // Santiago skipped from 00:00 to 01:00 on 2024-09-08.
        TestEnvironment::useTimeZone("America/Santiago");
        StatsStore store(m_base);
        launch(store, localTime(2024, 9, 8, 1, 30));
        const bool found = store.hasEvents(localTime(2024, 9, 8, 12));
        TestEnvironment::useTimeZone("Europe/Berlin");
        QVERIFY(found);
    }

    void baseThatIsAFileIsLoggedAndSurvived() {
        // An unwritable base takes the same path, but root writes through permissions.
        QVERIFY(TestEnvironment::writeFile(m_base + u"/Tovi"_s, {}));
        StatsStore store(m_base);
        launch(store, localTime(2025, 3, 1, 9));
        store.saveMeta({u"2025-03-01"_s});
        QVERIFY(!m_log.filter(u"Tovi Stats: failed to create directories: "_s).isEmpty());
        QCOMPARE(m_log.filter(u"Tovi Stats: failed to record event: "_s).size(), 1);
        QCOMPARE(m_log.filter(u"Tovi Stats: failed to save meta: "_s).size(), 1);
        QVERIFY(store.events(localTime(2025, 3, 1), localTime(2025, 3, 2)).isEmpty());
        QVERIFY(!store.loadMeta().lastDailyReportPromptDay);
    }

    // Interleaved writes would tear lines; a lost one would shorten the file.
    void concurrentAppendsStayWhole() {
        StatsStore store(m_base);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&store, t] {
                for (int i = 0; i < 5000; ++i)
                    store.record(StatsEventType::hydrationPromptShown, StatsEventSource::scheduled,
                                 std::nullopt, {{u"thread"_s, t}, {u"i"_s, i}}, localTime(2025, 3, 1, 12));
            });
        for (auto& thread : threads)
            thread.join();
        const QStringList lines = TestEnvironment::readLines(monthFile(store, u"2025-03"_s));
        QCOMPARE(lines.size(), 4 * 5000);
        for (const QString& l : lines)
            QVERIFY2(StatsEvent::fromJson(l.toUtf8()), qPrintable(l));
    }

    void metaRoundTrip() {
        StatsStore store(m_base);
        QVERIFY(!store.loadMeta().lastDailyReportPromptDay);
        store.saveMeta({u"2025-03-01"_s});
        QCOMPARE(store.loadMeta().lastDailyReportPromptDay, std::optional(u"2025-03-01"_s));
        QCOMPARE(TestEnvironment::readLines(store.metaPath()),
                 QStringList{uR"({"lastDailyReportPromptDay":"2025-03-01"})"_s});
        QCOMPARE(modeOf(store.metaPath()), mode_t(0600));
        store.saveMeta({});
        QCOMPARE(TestEnvironment::readLines(store.metaPath()), QStringList{u"{}"_s});
        QVERIFY(TestEnvironment::writeFile(store.metaPath(), "garbage"));
        QVERIFY(!store.loadMeta().lastDailyReportPromptDay);
    }

    void decoding_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("kind");    // payload "v": bool, int, double, string; empty: rejected
        QTest::addColumn<QString>("text");    // its stringValue
        QTest::addColumn<QString>("integer"); // its intValue; empty: none
        const QString z = u"2025-03-01T08:15:30Z"_s, t = u"app_launched"_s;
        const auto v = [&](const char* name, const char* value, const char* kind, const char* text,
                           const char* integer = "") {
            QTest::newRow(name) << statsLine(z, t, u"{\"v\":"_s + QString::fromUtf8(value) + u'}')
                                << QString::fromUtf8(kind) << QString::fromUtf8(text)
                                << QString::fromUtf8(integer);
        };
        // A whole line whose payload is {"v":1} when it decodes.
        const auto line = [](const char* name, const QByteArray& json, const char* kind = "") {
            const QString one = *kind ? u"1"_s : QString();
            QTest::newRow(name) << json << QString::fromUtf8(kind) << one << one;
        };
        v("number 3 is int", "3", "int", "3", "3");
        v("number 30.0 is int", "30.0", "int", "30", "30");
        v("a fraction is a double whose integer truncates toward zero", "-2.9", "double", "-2.9", "-2");
        v("a huge number is a double in plain digits", "1e30", "double", "1000000000000000000000000000000.0");
        v("a small double has no exponent", "0.0001", "double", "0.0001", "0");
        v("a signed digit string stays a string but reads as an integer", R"("+12")", "string", "+12", "12");
        v("a digit string with letters is no integer", R"("12a")", "string", "12a");
        v("a lone plus is no integer", R"("+")", "string", "+");
        v("an empty string is no integer", R"("")", "string", "");
        v("a leading space is no integer", R"(" 1")", "string", " 1");
        v("a string past the range is no integer", R"("9223372036854775808")", "string",
          "9223372036854775808");
        v("the smallest integer as a string reads", R"("-9223372036854775808")", "string",
          "-9223372036854775808", "-9223372036854775808");
        v("true is bool but no integer", "true", "bool", "true");
        v("false is bool", "false", "bool", "false");
        v("escaped text", "\"a\\\"b\"", "string", "a\"b");
        v("chinese text", R"("壁纸")", "string", "壁纸");
        v("a negative int", "-7", "int", "-7", "-7");
        v("a repeated payload key is mended by the last", "null,\"v\":2", "int", "2", "2");
        v("an integer past the signed range is double", "9223372036854775808", "double",
          "9223372036854776000.0");
        v("an integer past every integer type", "123456789012345678901234", "double",
          "123456789012345690000000.0");
        line("a numeric offset", statsLine(u"2025-03-01T09:15:30+01:00"_s, t, u"{\"v\":1}"_s), "int");
        line("a null session is absent", statsLine(z, t, u"{\"v\":1}"_s, u",\"sessionId\":null"_s), "int");
        line("unknown keys are ignored", statsLine(z, t, u"{\"v\":1}"_s, u",\"extra\":[1]"_s), "int");
        line("spaces around tokens", statsLine(z, t, u" { \"v\" : 1 } "_s), "int");
        line("a duplicate type is mended by the last",
             statsLine(z, u"app_exploded"_s, u"{\"v\":1}"_s, u",\"type\":\"app_launched\""_s), "int");
        line("fractional seconds are rejected", statsLine(u"2025-03-01T08:15:30.5Z"_s));
        line("a time without a zone is rejected", statsLine(u"2025-03-01T08:15:30"_s));
        line("an impossible date is rejected", statsLine(u"2025-02-30T08:15:30Z"_s));
        line("an unknown type is rejected", statsLine(z, u"app_exploded"_s));
        line("a null payload value is rejected", statsLine(z, t, u"{\"v\":null}"_s));
        line("an array payload value is rejected", statsLine(z, t, u"{\"v\":[1]}"_s));
        line("a numeric session is rejected", statsLine(z, t, u"{}"_s, u",\"sessionId\":5"_s));
        line("a leading zero is not JSON", statsLine(z, t, u"{\"v\":01}"_s));
        line("invalid UTF-8 is rejected",
             statsLine(z, t, u"{\"v\":\"x\"}"_s).replace("\"x\"", "\"\xC3\x28\""));
        line("trailing garbage is rejected", statsLine(z) + "x");
        line("a cut line is not JSON", "{\"id\":"_ba);
        line("a missing payload is rejected", statsLine(z).replace(",\"payload\":{}", ""));
    }

    void decoding() {
        QFETCH(QByteArray, json);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, integer);
        const auto event = StatsEvent::fromJson(json);
        QCOMPARE(bool(event), !kind.isEmpty());
        // The bulk reader's fast path must agree with the general parser.
        QCOMPARE(StatsEventReader().decode(json), event);
        QCOMPARE(StatsEventReader().decodeForReport(json),
                 event ? std::optional(StatsReportEvent::from(*event)) : std::nullopt);
        if (!event)
            return;
        QCOMPARE(event->timestamp, QDateTime(QDate(2025, 3, 1), QTime(8, 15, 30), Qt::UTC));
        const StatsPayloadValue v = event->payload.value(u"v"_s);
        static const QStringList kinds{u"string"_s, u"int"_s, u"double"_s, u"bool"_s};
        QCOMPARE(kinds.at(qsizetype(v.storage().index())), kind);
        QCOMPARE(v.stringValue(), text);
        QCOMPARE(v.intValue() ? QString::number(*v.intValue()) : QString(), integer);
    }
};

QTEST_GUILESS_MAIN(TestStatsStore)
#include "TestStatsStore.moc"
