#include "TestEnvironment.h"
#include "cli/CommandLine.h"
#include "stats/StatsStore.h"

#include <QBuffer>
#include <QDBusContext>
#include <QDBusMetaType>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

using ReminderTimes = QMap<QString, qlonglong>;

// Stands in for the running Tovi: the contract's methods and properties, on a
// thread of its own so that the client's blocking calls find it answering.
// Calls reach it through the bus and Qt's event queues, which order its reads
// after the test's writes and the test's reads after its replies.
class FakeTovi : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.tovi.Tovi")
    Q_PROPERTY(QString State READ state)
    Q_PROPERTY(int SecondsToRest READ secondsToRest)
    Q_PROPERTY(qlonglong PausedUntil READ pausedUntil)
    Q_PROPERTY(ReminderTimes ReminderDueAt READ reminderDueAt)
public:
    void set(const QString& state, int secondsToRest, qint64 pausedUntil, const ReminderTimes& due) {
        m_state = state, m_secondsToRest = secondsToRest, m_pausedUntil = pausedUntil, m_due = due;
    }
    QStringList takeCalls() { return std::exchange(m_calls, {}); }
    QString state() const { return m_state; }
    int secondsToRest() const { return m_secondsToRest; }
    qlonglong pausedUntil() const { return m_pausedUntil; }
    ReminderTimes reminderDueAt() const { return m_due; }

public Q_SLOTS:
    void Rest() { m_calls << u"Rest"_s; }
    void Skip() {
        m_calls << u"Skip"_s;
        if (m_state != "resting"_L1)
            sendErrorReply(u"io.github.tovi.Tovi.Error.NotResting"_s, u"没有正在进行的休息"_s);
    }
    void Pause(uint seconds) { m_calls << u"Pause %1"_s.arg(seconds); }
    void Resume() { m_calls << u"Resume"_s; }
    void OpenReport(const QString& scope) { m_calls << u"OpenReport "_s + scope; }

private:
    QStringList m_calls;
    QString m_state;
    int m_secondsToRest = 0;
    qint64 m_pausedUntil = 0;
    ReminderTimes m_due;
};

namespace {
const QString serviceName = u"io.github.tovi.Tovi"_s;

// RFC 4180 read back: CRLF rows, quoted fields with doubled quotes inside.
QList<QStringList> parseCsv(const QString& text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (quoted && c == u'"' && next == u'"')
            field += text[i++];
        else if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u',')
            row << std::exchange(field, {});
        else if (!quoted && c == u'\r' && next == u'\n') {
            rows << (row << std::exchange(field, {}));
            row.clear();
            ++i;
        } else
            field += c;
    }
    return rows;
}
} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private:
    QThread m_thread;
    FakeTovi* m_tovi = nullptr;
    QDBusConnection m_service = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"fake-tovi"_s);
    QString m_events;
    QBuffer m_out, m_err;
    // 22:30 in Berlin: "tomorrow" is 90 minutes away.
    const QDateTime m_now = localTime(2025, 3, 1, 22, 30);

    int run(const QString& arguments) {
        for (QBuffer* buffer : {&m_out, &m_err}) {
            buffer->close();
            buffer->setData({});
            buffer->open(QIODevice::WriteOnly);
        }
        const CommandLine::Context context{&m_out,   &m_err,  m_now, &QDBusConnection::sessionBus,
                                           m_events, u"9.9"_s};
        return CommandLine::run(arguments.split(u' ', Qt::SkipEmptyParts), context);
    }
    QString out() const { return QString::fromUtf8(m_out.data()); }
    QString err() const { return QString::fromUtf8(m_err.data()); }
    qint64 at(int day, int hour, int minute) const {
        return localTime(2025, 3, day, hour, minute).toMSecsSinceEpoch();
    }

private Q_SLOTS:
    void initTestCase() {
        TestEnvironment::useTimeZone("Europe/Berlin");
        qDBusRegisterMetaType<ReminderTimes>();
        m_tovi = new FakeTovi;
        m_tovi->moveToThread(&m_thread);
        m_thread.start();
        QVERIFY(
            m_service.registerObject(u"/io/github/tovi/Tovi"_s, m_tovi,
                                     QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
    }
    void init() {
        QVERIFY(m_service.registerService(serviceName));
        m_tovi->set(u"working"_s, 754, 0, {});
        m_events = TestEnvironment::freshDirectory(u"events"_s);
    }
    void cleanupTestCase() {
        m_thread.quit();
        m_thread.wait();
        delete m_tovi;
    }

    void eachVerbCallsToviOnce_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("rest") << u"rest"_s << u"working"_s << u"Rest"_s << 0 << u"开始休息"_s;
        QTest::newRow("skip a rest on screen") << u"skip"_s << u"resting"_s << u"Skip"_s << 0 << u"已跳过"_s;
        QTest::newRow("skip with no rest: Tovi's own words")
            << u"skip"_s << u"working"_s << u"Skip"_s << 1 << u"没有正在进行的休息"_s;
        QTest::newRow("pause 45m") << u"pause 45m"_s << u"working"_s << u"Pause 2700"_s << 0 << u"到 23:15"_s;
        QTest::newRow("pause 2h") << u"pause 2h"_s << u"working"_s << u"Pause 7200"_s << 0
                                  << u"到 明天 00:30"_s;
        QTest::newRow("pause tomorrow: to local midnight")
            << u"pause tomorrow"_s << u"working"_s << u"Pause 5400"_s << 0 << u"到 明天 00:00"_s;
        QTest::newRow("resume") << u"resume"_s << u"paused"_s << u"Resume"_s << 0 << u"暂停结束"_s;
        QTest::newRow("report week") << u"report week"_s << u"working"_s << u"OpenReport week"_s << 0
                                     << u"本周周报"_s;
    }
    void eachVerbCallsToviOnce() {
        QFETCH(QString, arguments);
        QFETCH(QString, state);
        QFETCH(QString, call);
        QFETCH(int, status);
        QFETCH(QString, said);
        m_tovi->set(state, 0, 0, {});
        QCOMPARE(run(arguments), status);
        QCOMPARE(m_tovi->takeCalls(), QStringList{call});
        QVERIFY2((status == 0 ? out() : err()).contains(said), qPrintable(out() + err()));
    }

    void usageErrorsExitTwoAndCallNothing_data() {
        QTest::addColumn<QString>("arguments");
        for (const char* arguments :
             {"", "frobnicate", "rest now", "status --yaml", "pause", "pause 90", "pause 0m", "pause 10081m",
              "pause 1d", "report year", "export", "export --csv --from 2025-02-30",
              "export --csv --to 2025-3-1", "export --csv --from 2025-03-02 --to 2025-03-01",
              "export --csv --from"})
            QTest::newRow(arguments) << QString::fromLatin1(arguments);
    }
    void usageErrorsExitTwoAndCallNothing() {
        QFETCH(QString, arguments);
        QCOMPARE(run(arguments), 2);
        QVERIFY(err().contains(u"用法：tovi"_s));
        QVERIFY(m_tovi->takeCalls().isEmpty());
    }

    void helpAndVersion() {
        QCOMPARE(run(u"--help"_s), 0);
        QVERIFY(out().contains(u"export --csv"_s));
        QCOMPARE(run(u"--version"_s), 0);
        QCOMPARE(out(), u"tovi 9.9\n"_s);
    }

    void withNoToviEveryVerbSaysSo_data() {
        QTest::addColumn<QString>("arguments");
        for (const char* arguments :
             {"status", "status --json", "rest", "skip", "pause 30m", "resume", "report day"})
            QTest::newRow(arguments) << QString::fromLatin1(arguments);
    }
    void withNoToviEveryVerbSaysSo() {
        QFETCH(QString, arguments);
        QVERIFY(m_service.unregisterService(serviceName));
        QCOMPARE(run(arguments), 1);
        QVERIFY2(err().contains(u"Tovi 没有在运行"_s), qPrintable(err()));
        QVERIFY(out().isEmpty());
    }

    void statusInOneLineAndAsJson_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("secondsToRest");
        QTest::addColumn<qint64>("pausedUntil");
        QTest::addColumn<QString>("line");
        QTest::newRow("working, both reminders on")
            << u"working"_s << 754 << qint64(0)
            << u"工作中，12 分 34 秒后休息；下次喝水 23:00，提肛 明天 08:05"_s;
        QTest::newRow("resting") << u"resting"_s << 0 << qint64(0)
                                 << u"休息中；下次喝水 23:00，提肛 明天 08:05"_s;
        QTest::newRow("paused for days") << u"paused"_s << -1 << at(4, 9, 0)
                                         << u"已暂停，到 3月4日 09:00；下次喝水 23:00，提肛 明天 08:05"_s;
    }
    void statusInOneLineAndAsJson() {
        QFETCH(QString, state);
        QFETCH(int, secondsToRest);
        QFETCH(qint64, pausedUntil);
        QFETCH(QString, line);
        const ReminderTimes due{{u"hydration"_s, at(1, 23, 0)}, {u"pelvic"_s, at(2, 8, 5)}};
        m_tovi->set(state, secondsToRest, pausedUntil, due);
        QCOMPARE(run(u"status"_s), 0);
        QCOMPARE(out(), line + u'\n');
        QCOMPARE(run(u"status --json"_s), 0);
        const QJsonObject json = QJsonDocument::fromJson(m_out.data()).object();
        QCOMPARE(json.value("state"_L1).toString(), state);
        QCOMPARE(json.value("secondsToRest"_L1).toInt(), secondsToRest);
        QCOMPARE(json.value("pausedUntil"_L1).toInteger(), pausedUntil);
        QCOMPARE(json.value("reminders"_L1).toObject().value("pelvic"_L1).toInteger(), due[u"pelvic"_s]);
    }

    void exportRoundTripsAMonth() {
        StatsStore store(m_events + u"/base"_s);
        m_events = store.eventsDirectory();
        const QString awkward = u"say \"hi\", then\nleave;\r\n\t\\ 休息 👀 \u2028"_s;
        const StatsPayload payloads[] = {
            {{u"theme"_s, awkward}, {u"actualSeconds"_s, 13}, {u"ratio"_s, 0.25}, {u"flag"_s, false}},
            {},
            {{u"a,\"key\""_s, u""_s}}};
        for (int i = 0; i < 3; ++i)
            store.record(StatsEventType(i + 1), StatsEventSource(i),
                         i == 0 ? std::optional(u"S,1"_s) : std::nullopt, payloads[i],
                         localTime(2025, 3, 10 + i, 12));
        QCOMPARE(run(u"export --csv"_s), 0);
        const QList<QStringList> rows = parseCsv(out());
        // Lines as written, split at line feeds only: the store's reader would also split at the U+2028.
        QList<StatsEvent> events;
        for (const QString& line : TestEnvironment::readLines(m_events + u"/2025-03.jsonl"_s))
            events << StatsEvent::fromJson(line.toUtf8()).value();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].join(u','),
                 u"id,timestamp,dayKey,monthKey,type,source,sessionId,appVersion,payload"_s);
        for (int i = 0; i < 3; ++i) {
            const StatsEvent& e = events[i];
            const QStringList expected{e.id,
                                       formatStatsTimestamp(e.timestamp),
                                       e.dayKey,
                                       e.monthKey,
                                       rawValue(e.type),
                                       rawValue(e.source),
                                       e.sessionId.value_or(QString()),
                                       e.appVersion};
            QCOMPARE(rows[i + 1].mid(0, 8), expected);
            QCOMPARE(QJsonDocument::fromJson(rows[i + 1][8].toUtf8()).object(),
                     QJsonDocument::fromJson(e.toJson()).object().value("payload"_L1).toObject());
        }
        QVERIFY(err().isEmpty());
    }

    void exportKeepsToTheRangeAndCountsWhatItCannotRead_data() {
        QTest::addColumn<QString>("range");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<int>("undecodable");
        QTest::newRow("across a month boundary: December and March stay unread")
            << u"--from 2025-01-31 --to 2025-02-01"_s << QStringList{u"b"_s, u"c"_s} << 1;
        QTest::newRow("open start") << u"--to 2025-01-31"_s << QStringList{u"a"_s, u"b"_s} << 1;
        QTest::newRow("everything") << u""_s << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s} << 3;
    }
    void exportKeepsToTheRangeAndCountsWhatItCannotRead() {
        QFETCH(QString, range);
        QFETCH(QStringList, ids);
        QFETCH(int, undecodable);
        const auto line = [](const char* id, const QDateTime& at) {
            return TestEnvironment::statsLine(formatStatsTimestamp(at))
                       .replace("\"A\"", QByteArray("\"") + id + '"') +
                   '\n';
        };
        TestEnvironment::writeFile(m_events + u"/2024-12.jsonl"_s, "{broken\n");
        TestEnvironment::writeFile(m_events + u"/2025-01.jsonl"_s,
                                   line("a", localTime(2025, 1, 30, 12)) + "\n  \n" +
                                       line("b", localTime(2025, 1, 31, 23, 59, 59)));
        TestEnvironment::writeFile(m_events + u"/2025-02.jsonl"_s, line("c", localTime(2025, 2, 1)) +
                                                                       "{\"id\":1}\n" +
                                                                       line("d", localTime(2025, 2, 2)));
        TestEnvironment::writeFile(m_events + u"/2025-03.jsonl"_s, "not json\n");
        QCOMPARE(run(u"export --csv "_s + range), 0);
        QStringList exported;
        for (const QStringList& row : parseCsv(out()).mid(1))
            exported << row[0];
        QCOMPARE(exported, ids);
        QCOMPARE(err(), undecodable ? u"有 %1 行无法解读，已跳过\n"_s.arg(undecodable) : QString());
    }
};

QTEST_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
