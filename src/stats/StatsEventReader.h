#pragma once

#include "StatsEvent.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <memory>

// Decodes event lines in bulk through simdjson. A line simdjson cannot judge
// alone (not JSON to it, a repeated key) goes through the general parser, so
// both paths accept and reject exactly the same lines. Strings that repeat
// from line to line (day and month keys, payload keys, the version) are shared
// between the events instead of being allocated once per line.
class StatsEventReader {
public:
    StatsEventReader();
    ~StatsEventReader();

    std::optional<StatsEvent> decode(QByteArrayView line);
    // The same verdict on the line, keeping only what a report reads.
    std::optional<StatsReportEvent> decodeForReport(QByteArrayView line);
    // False only when the line certainly decodes to no event stamped in
    // [fromMsecs, toMsecs): its one timestamp lies outside, or it has none.
    // Looks for the timestamp alone, without parsing the line.
    static bool mayFallWithin(QByteArrayView line, qint64 fromMsecs, qint64 toMsecs);

private:
    struct Parser;
    struct EventSink;
    struct ReportSink;
    // A decoded event, a line that is certainly no event, or one to hand to the general parser.
    enum class Verdict { decoded, invalid, unsure };
    template <typename Sink> Verdict judge(QByteArrayView line, Sink& sink);
    struct Interned {
        QByteArray utf8;
        QString text;
    };
    // The last string of one field, which the next line most likely repeats.
    static QString shared(QByteArrayView utf8, Interned& last);
    // Payload keys and string values: a handful that recur.
    QString shared(QByteArrayView utf8);
    std::unique_ptr<Parser> m_parser;
    QList<Interned> m_pool;
    Interned m_dayKey, m_monthKey, m_appVersion;
};
