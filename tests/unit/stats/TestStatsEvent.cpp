#include "TestEnvironment.h"
#include "stats/StatsEvent.h"
#include "stats/StatsEventReader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;
using TestEnvironment::statsLine;

Q_DECLARE_METATYPE(StatsPayloadValue)

class TestStatsEvent : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundTripKeepsEveryField() {
        StatsEvent event;
        event.id = u"6F9619FF-8B86-D011-B42D-00CF4FC964FF"_s;
        event.timestamp = QDateTime(QDate(2025, 3, 1), QTime(8, 15, 30, 999), Qt::UTC);
        event.dayKey = u"2025-03-01"_s;
        event.monthKey = u"2025-03"_s;
        event.type = StatsEventType::restSkipped;
        event.source = StatsEventSource::autoTimeout;
        event.sessionId = u"S"_s;
        event.payload = {
            {u"plannedSeconds"_s, 20}, {u"theme"_s, u"aurora"_s}, {u"ratio"_s, 0.5}, {u"flag"_s, true}};
        event.appVersion = u"0.1.0"_s;

        const QByteArray json = event.toJson();
        QVERIFY(!json.contains('\n'));
        const QJsonObject o = QJsonDocument::fromJson(json).object();
        QCOMPARE(o.value("timestamp"_L1).toString(), u"2025-03-01T08:15:30Z"_s);
        QCOMPARE(o.value("type"_L1).toString(), u"rest_skipped"_s);
        QCOMPARE(o.value("source"_L1).toString(), u"auto_timeout"_s);

        const auto back = StatsEvent::fromJson(json);
        QVERIFY(back);
        StatsEvent expected = event;
        expected.timestamp = expected.timestamp.addMSecs(-999);
        QCOMPARE(*back, expected);

        event.sessionId.reset();
        QVERIFY(!event.toJson().contains("sessionId"));
        QVERIFY(!StatsEvent::fromJson(event.toJson())->sessionId);
    }

    void decoding_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<QString>("kind"); // payload "v": bool, int, double, string
        QTest::addColumn<QString>("text"); // its stringValue

        const QString z = u"2025-03-01T08:15:30Z"_s;
        const QString t = u"app_launched"_s;
        QTest::newRow("number 3 is int") << statsLine(z, t, u"{\"v\":3}"_s) << true << u"int"_s << u"3"_s;
        QTest::newRow("number 30.0 is int")
            << statsLine(z, t, u"{\"v\":30.0}"_s) << true << u"int"_s << u"30"_s;
        QTest::newRow("number 2.5 is double")
            << statsLine(z, t, u"{\"v\":2.5}"_s) << true << u"double"_s << u"2.5"_s;
        QTest::newRow("huge number is double") << statsLine(z, t, u"{\"v\":1e30}"_s) << true << u"double"_s
                                               << u"1000000000000000000000000000000.0"_s;
        QTest::newRow("digit string stays string")
            << statsLine(z, t, u"{\"v\":\"12\"}"_s) << true << u"string"_s << u"12"_s;
        QTest::newRow("true is bool") << statsLine(z, t, u"{\"v\":true}"_s) << true << u"bool"_s << u"true"_s;
        QTest::newRow("numeric offset")
            << statsLine(u"2025-03-01T09:15:30+01:00"_s, t, u"{\"v\":1}"_s) << true << u"int"_s << u"1"_s;
        QTest::newRow("null session is absent")
            << statsLine(z, t, u"{\"v\":1}"_s, u",\"sessionId\":null"_s) << true << u"int"_s << u"1"_s;
        QTest::newRow("unknown keys ignored")
            << statsLine(z, t, u"{\"v\":1}"_s, u",\"extra\":[1]"_s) << true << u"int"_s << u"1"_s;
        QTest::newRow("fractional seconds rejected")
            << statsLine(u"2025-03-01T08:15:30.5Z"_s, t, u"{}"_s) << false << QString() << QString();
        QTest::newRow("no zone rejected")
            << statsLine(u"2025-03-01T08:15:30"_s, t, u"{}"_s) << false << QString() << QString();
        QTest::newRow("impossible date rejected")
            << statsLine(u"2025-02-30T08:15:30Z"_s, t, u"{}"_s) << false << QString() << QString();
        QTest::newRow("unknown type rejected")
            << statsLine(z, u"app_exploded"_s, u"{}"_s) << false << QString() << QString();
        QTest::newRow("null payload value rejected")
            << statsLine(z, t, u"{\"v\":null}"_s) << false << QString() << QString();
        QTest::newRow("array payload value rejected")
            << statsLine(z, t, u"{\"v\":[1]}"_s) << false << QString() << QString();
        QTest::newRow("numeric session rejected")
            << statsLine(z, t, u"{}"_s, u",\"sessionId\":5"_s) << false << QString() << QString();
        QTest::newRow("missing payload rejected")
            << R"({"id":"A","timestamp":"2025-03-01T08:15:30Z","dayKey":"d","monthKey":"m","type":"app_launched","source":"system","appVersion":"1"})"_ba
            << false << QString() << QString();
        QTest::newRow("escaped text")
            << statsLine(z, t, u"{\"v\":\"a\\\"b\"}"_s) << true << u"string"_s << u"a\"b"_s;
        QTest::newRow("chinese text")
            << statsLine(z, t, u"{\"v\":\"壁纸\"}"_s) << true << u"string"_s << u"壁纸"_s;
        QTest::newRow("negative int") << statsLine(z, t, u"{\"v\":-7}"_s) << true << u"int"_s << u"-7"_s;
        QTest::newRow("spaces around tokens")
            << statsLine(z, t, u" { \"v\" : 1 } "_s) << true << u"int"_s << u"1"_s;
        QTest::newRow("leading zero is not json")
            << statsLine(z, t, u"{\"v\":01}"_s) << false << QString() << QString();
        QTest::newRow("duplicate type mended by the last")
            << statsLine(z, u"app_exploded"_s, u"{\"v\":1}"_s, u",\"type\":\"app_launched\""_s) << true
            << u"int"_s << u"1"_s;
        QTest::newRow("repeated payload key mended by the last")
            << statsLine(z, t, u"{\"v\":null,\"v\":2}"_s) << true << u"int"_s << u"2"_s;
        QTest::newRow("integer past the signed range is double")
            << statsLine(z, t, u"{\"v\":9223372036854775808}"_s) << true << u"double"_s
            << u"9223372036854776000.0"_s;
        QTest::newRow("integer past every integer type")
            << statsLine(z, t, u"{\"v\":123456789012345678901234}"_s) << true << u"double"_s
            << u"123456789012345690000000.0"_s;
        QTest::newRow("invalid UTF-8 rejected")
            << statsLine(z, t, u"{\"v\":\"x\"}"_s).replace("\"x\"", "\"\xC3\x28\"") << false << QString()
            << QString();
        QTest::newRow("trailing garbage")
            << statsLine(z, t, u"{}"_s) + "x" << false << QString() << QString();
        QTest::newRow("not json") << "{\"id\":"_ba << false << QString() << QString();
    }

    void decoding() {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        const auto event = StatsEvent::fromJson(json);
        QCOMPARE(bool(event), decodes);
        // The bulk reader's fast path must agree with the general parser.
        QCOMPARE(StatsEventReader().decode(json), event);
        if (!event)
            return;
        QCOMPARE(event->timestamp, QDateTime(QDate(2025, 3, 1), QTime(8, 15, 30), Qt::UTC));
        const StatsPayloadValue v = event->payload.value(u"v"_s);
        const QString actualKind = std::visit(
            [](const auto& x) -> QString {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, bool>)
                    return u"bool"_s;
                else if constexpr (std::is_same_v<T, qint64>)
                    return u"int"_s;
                else if constexpr (std::is_same_v<T, double>)
                    return u"double"_s;
                else
                    return u"string"_s;
            },
            v.storage());
        QCOMPARE(actualKind, kind);
        QCOMPARE(v.stringValue(), text);
    }

    void accessors_data() {
        QTest::addColumn<StatsPayloadValue>("value");
        QTest::addColumn<bool>("hasInt");
        QTest::addColumn<qint64>("intValue");
        QTest::addColumn<QString>("stringValue");

        QTest::newRow("+12") << StatsPayloadValue(u"+12"_s) << true << qint64(12) << u"+12"_s;
        QTest::newRow("-7") << StatsPayloadValue(u"-7"_s) << true << qint64(-7) << u"-7"_s;
        QTest::newRow("12a") << StatsPayloadValue(u"12a"_s) << false << qint64(0) << u"12a"_s;
        QTest::newRow("empty") << StatsPayloadValue(QString()) << false << qint64(0) << QString();
        QTest::newRow("lone plus") << StatsPayloadValue(u"+"_s) << false << qint64(0) << u"+"_s;
        QTest::newRow("leading space") << StatsPayloadValue(u" 1"_s) << false << qint64(0) << u" 1"_s;
        QTest::newRow("overflowing string")
            << StatsPayloadValue(u"9223372036854775808"_s) << false << qint64(0) << u"9223372036854775808"_s;
        QTest::newRow("minimum string") << StatsPayloadValue(u"-9223372036854775808"_s) << true
                                        << std::numeric_limits<qint64>::min() << u"-9223372036854775808"_s;
        QTest::newRow("double -2.9") << StatsPayloadValue(-2.9) << true << qint64(-2) << u"-2.9"_s;
        QTest::newRow("double 30.0") << StatsPayloadValue(30.0) << true << qint64(30) << u"30.0"_s;
        QTest::newRow("double nan") << StatsPayloadValue(std::nan("")) << false << qint64(0) << u"nan"_s;
        QTest::newRow("double 1e19 in plain digits")
            << StatsPayloadValue(1e19) << false << qint64(0) << u"10000000000000000000.0"_s;
        QTest::newRow("double 100000 with its fraction")
            << StatsPayloadValue(100000.0) << true << qint64(100000) << u"100000.0"_s;
        QTest::newRow("double 0.0001 without an exponent")
            << StatsPayloadValue(0.0001) << true << qint64(0) << u"0.0001"_s;
        QTest::newRow("int 45") << StatsPayloadValue(45) << true << qint64(45) << u"45"_s;
        QTest::newRow("bool false") << StatsPayloadValue(false) << false << qint64(0) << u"false"_s;
    }

    void accessors() {
        QFETCH(StatsPayloadValue, value);
        QFETCH(bool, hasInt);
        QFETCH(qint64, intValue);
        QFETCH(QString, stringValue);
        QCOMPARE(bool(value.intValue()), hasInt);
        if (hasInt)
            QCOMPARE(*value.intValue(), intValue);
        QCOMPARE(value.stringValue(), stringValue);
    }
};

QTEST_GUILESS_MAIN(TestStatsEvent)
#include "TestStatsEvent.moc"
