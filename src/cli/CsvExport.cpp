#include "CsvExport.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QRegularExpression>
#include <QStringEncoder>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype blockSize = 1 << 20;

void appendNumber(QByteArray& out, auto value) {
    char digits[32];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    if (error == std::errc())
        out.append(digits, end - digits);
}

// "2025-03-01T08:15:30Z", as the event files spell it; far cheaper than a date-time formatter.
void appendTimestamp(QByteArray& out, qint64 secondsSinceEpoch) {
    using namespace std::chrono;
    const sys_seconds moment{seconds(secondsSinceEpoch)};
    const sys_days day = floor<days>(moment);
    const year_month_day date(day);
    const hh_mm_ss time(moment - day);
    char text[24];
    const auto two = [](char* at, unsigned value) {
        at[0] = char('0' + value / 10);
        at[1] = char('0' + value % 10);
    };
    const int y = int(date.year());
    if (y < 0 || y > 9999) {
        out.append("0000-00-00T00:00:00Z");
        return;
    }
    two(text, unsigned(y / 100));
    two(text + 2, unsigned(y % 100));
    text[4] = '-';
    two(text + 5, unsigned(date.month()));
    text[7] = '-';
    two(text + 8, unsigned(date.day()));
    text[10] = 'T';
    two(text + 11, unsigned(time.hours().count()));
    text[13] = ':';
    two(text + 14, unsigned(time.minutes().count()));
    text[16] = ':';
    two(text + 17, unsigned(time.seconds().count()));
    text[19] = 'Z';
    out.append(text, 20);
}

// The bytes of a JSON string inside a quoted CSV field: JSON's escapes, then every quote doubled.
void appendJsonString(QByteArray& out, const QByteArray& utf8) {
    out.append("\"\"");
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out.append("\\\"\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static constexpr char hex[] = "0123456789abcdef";
                const char escape[] = {'\\', 'u', '0', '0', hex[(c >> 4) & 0xF], hex[c & 0xF]};
                out.append(escape, sizeof escape);
            } else {
                out.append(c);
            }
        }
    }
    out.append("\"\"");
}

bool isBlank(QByteArrayView line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

} // namespace

CsvExport::CsvExport(QString eventsDirectory, const Range& range)
    : m_directory(std::move(eventsDirectory))
    , m_range(range)
    , m_fromMs(range.from ? range.from->startOfDay(Qt::LocalTime).toMSecsSinceEpoch()
                          : std::numeric_limits<qint64>::min())
    , m_toMs(range.to ? range.to->addDays(1).startOfDay(Qt::LocalTime).toMSecsSinceEpoch()
                      : std::numeric_limits<qint64>::max()) {
    for (size_t i = 0; i < m_types.size(); ++i)
        m_types[i] = rawValue(StatsEventType(i)).toUtf8();
    for (size_t i = 0; i < m_sources.size(); ++i)
        m_sources[i] = rawValue(StatsEventSource(i)).toUtf8();
}

bool CsvExport::write(QIODevice& out) {
    m_out = &out;
    m_buffer.reserve(blockSize + 64 * 1024);
    m_buffer.append("id,timestamp,dayKey,monthKey,type,source,sessionId,appVersion,payload\r\n");
    // Month files sort by name; only those the range overlaps are opened.
    static const QRegularExpression monthFile(u"^\\d{4}-\\d{2}\\.jsonl$"_s);
    const QString first = m_range.from ? m_range.from->toString(u"yyyy-MM"_s) : QString();
    const QString last = m_range.to ? m_range.to->toString(u"yyyy-MM"_s) : QString();
    const QDir dir(m_directory);
    for (const QString& name : dir.entryList({u"*.jsonl"_s}, QDir::Files, QDir::Name)) {
        const QStringView month = QStringView(name).first(qMin(name.size(), 7));
        if (!monthFile.match(name).hasMatch() || (!first.isEmpty() && month < first) ||
            (!last.isEmpty() && month > last))
            continue;
        exportFile(dir.filePath(name));
        if (m_failed)
            return false;
    }
    return flush(true);
}

void CsvExport::exportFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray copy;
    QByteArrayView text;
    if (const uchar* mapped = file.size() > 0 ? file.map(0, file.size()) : nullptr) {
        text = QByteArrayView(mapped, file.size());
    } else {
        copy = file.readAll();
        text = copy;
    }
    while (!text.isEmpty() && !m_failed) {
        const qsizetype end = text.indexOf('\n');
        const QByteArrayView line = end < 0 ? text : text.first(end);
        text = end < 0 ? QByteArrayView() : text.sliced(end + 1);
        if (isBlank(line))
            continue;
        const std::optional<StatsEvent> event = m_reader.decode(line);
        if (!event) {
            ++m_counts.undecodable;
            continue;
        }
        const qint64 at = event->timestamp.toMSecsSinceEpoch();
        if (at < m_fromMs || at >= m_toMs)
            continue;
        appendRow(*event);
        ++m_counts.events;
        flush(false);
    }
}

void CsvExport::appendRow(const StatsEvent& event) {
    appendField(event.id);
    m_buffer.append(',');
    appendTimestamp(m_buffer, event.timestamp.toSecsSinceEpoch());
    m_buffer.append(',');
    appendField(event.dayKey);
    m_buffer.append(',');
    appendField(event.monthKey);
    m_buffer.append(',');
    m_buffer.append(m_types[size_t(event.type)]);
    m_buffer.append(',');
    m_buffer.append(m_sources[size_t(event.source)]);
    m_buffer.append(',');
    if (event.sessionId)
        appendField(*event.sessionId);
    m_buffer.append(',');
    appendField(event.appVersion);
    m_buffer.append(',');
    appendPayload(event.payload);
    m_buffer.append("\r\n");
}

void CsvExport::appendField(QStringView text) {
    const qsizetype start = m_buffer.size();
    QStringEncoder encoder(QStringEncoder::Utf8);
    m_buffer.resize(start + encoder.requiredSpace(text.size()));
    char* end = encoder.appendToBuffer(m_buffer.data() + start, text);
    m_buffer.truncate(end - m_buffer.constData());
    const QByteArrayView written = QByteArrayView(m_buffer).sliced(start);
    if (std::none_of(written.begin(), written.end(),
                     [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; }))
        return;
    QByteArray quoted = written.toByteArray();
    quoted.replace('"', "\"\"");
    m_buffer.truncate(start);
    m_buffer.append('"').append(quoted).append('"');
}

void CsvExport::appendPayload(const StatsPayload& payload) {
    // Always quoted: every key brings quotes of its own.
    m_buffer.append("\"{");
    bool firstEntry = true;
    for (const auto& [key, value] : payload) {
        if (!firstEntry)
            m_buffer.append(',');
        firstEntry = false;
        appendJsonString(m_buffer, key.toUtf8());
        m_buffer.append(':');
        const auto& storage = value.storage();
        if (const auto* s = std::get_if<QString>(&storage))
            appendJsonString(m_buffer, s->toUtf8());
        else if (const auto* i = std::get_if<qint64>(&storage))
            appendNumber(m_buffer, *i);
        else if (const auto* b = std::get_if<bool>(&storage))
            m_buffer.append(*b ? "true" : "false");
        else if (const double d = std::get<double>(storage); std::isfinite(d))
            appendNumber(m_buffer, d);
        else
            m_buffer.append("null");
    }
    m_buffer.append("}\"");
}

bool CsvExport::flush(bool always) {
    if (m_failed || (!always && m_buffer.size() < blockSize))
        return !m_failed;
    m_failed = m_out->write(m_buffer) != m_buffer.size();
    m_buffer.truncate(0);
    return !m_failed;
}
