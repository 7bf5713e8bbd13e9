#pragma once

#include "stats/StatsEventReader.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <array>
#include <optional>
#include <vector>

class QIODevice;

// Writes the event files as CSV (RFC 4180: CRLF rows, fields quoted only where
// they must be): a header, then one row per event in month order and file
// order. The payload is one column of compact JSON. Rows are streamed in
// large blocks; no month is held as a list of events.
class CsvExport {
public:
    // Inclusive local dates; an open end takes every month on that side.
    struct Range {
        std::optional<QDate> from;
        std::optional<QDate> to;
    };
    struct Counts {
        qint64 events = 0;
        qint64 undecodable = 0;
    };

    CsvExport(QString eventsDirectory, const Range& range);

    // False when `out` refused the bytes.
    bool write(QIODevice& out);
    Counts counts() const { return m_counts; }

private:
    void exportFile(const QString& path);
    void appendRow(const StatsEvent& event);
    // Appends `text` as one field, quoted when it holds a comma, a quote or a line break.
    void appendField(QStringView text);
    void appendTimestamp(qint64 secondsSinceEpoch);
    void appendJsonString(QStringView text);
    void appendPayload(const StatsPayload& payload);
    // Room for `bytes` more at the end of the block; they count once m_used moves past them.
    char* room(size_t bytes);
    void put(char c);
    void put(QByteArrayView bytes);
    bool flush(bool always);

    QString m_directory;
    Range m_range;
    qint64 m_fromMs = 0;
    qint64 m_toMs = 0;
    StatsEventReader m_reader;
    // The block being filled, written out once it passes a megabyte.
    std::vector<char> m_block;
    size_t m_used = 0;
    // The raw values in UTF-8, by case.
    std::array<QByteArray, size_t(StatsEventType::pelvicSnoozed) + 1> m_types;
    std::array<QByteArray, size_t(StatsEventSource::autoTimeout) + 1> m_sources;
    QIODevice* m_out = nullptr;
    bool m_failed = false;
    Counts m_counts;
};
