#include "CsvExport.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype blockSize = 1 << 20;

// Bytes of UTF-16 text in UTF-8, handed to `put` one code point's bytes at a
// time; an unpaired surrogate becomes U+FFFD.
template <typename Put> void forEachUtf8(QStringView text, Put put) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            put(char(c));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        else if (QChar::isSurrogate(c))
            c = 0xFFFD;
        if (c < 0x800) {
            put(char(0xC0 | (c >> 6)));
        } else {
            if (c < 0x10000) {
                put(char(0xE0 | (c >> 12)));
            } else {
                put(char(0xF0 | (c >> 18)));
                put(char(0x80 | ((c >> 12) & 0x3F)));
            }
            put(char(0x80 | ((c >> 6) & 0x3F)));
        }
        put(char(0x80 | (c & 0x3F)));
    }
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
    m_block.resize(blockSize + 64 * 1024);
    put("id,timestamp,dayKey,monthKey,type,source,sessionId,appVersion,payload\r\n");
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
    put(',');
    appendTimestamp(event.timestamp.toSecsSinceEpoch());
    put(',');
    appendField(event.dayKey);
    put(',');
    appendField(event.monthKey);
    put(',');
    put(m_types[size_t(event.type)]);
    put(',');
    put(m_sources[size_t(event.source)]);
    put(',');
    if (event.sessionId)
        appendField(*event.sessionId);
    put(',');
    appendField(event.appVersion);
    put(',');
    appendPayload(event.payload);
    put("\r\n");
}

void CsvExport::appendField(QStringView text) {
    char* const start = room(size_t(text.size()) * 3);
    char* end = start;
    bool special = false;
    forEachUtf8(text, [&end, &special](char c) {
        special = special || c == ',' || c == '"' || c == '\r' || c == '\n';
        *end++ = c;
    });
    if (!special) {
        m_used += size_t(end - start);
        return;
    }
    const std::string field(start, end);
    put('"');
    for (const char c : field) {
        if (c == '"')
            put('"');
        put(c);
    }
    put('"');
}

// "2025-03-01T08:15:30Z", as the event files spell it; far cheaper than a date-time formatter.
void CsvExport::appendTimestamp(qint64 secondsSinceEpoch) {
    using namespace std::chrono;
    const sys_seconds moment{seconds(secondsSinceEpoch)};
    const sys_days day = floor<days>(moment);
    const year_month_day date(day);
    const hh_mm_ss time(moment - day);
    const int year = int(date.year());
    if (year < 0 || year > 9999) {
        put("0000-00-00T00:00:00Z");
        return;
    }
    char text[20];
    const auto two = [&text](int at, unsigned value) {
        text[at] = char('0' + value / 10);
        text[at + 1] = char('0' + value % 10);
    };
    two(0, unsigned(year / 100));
    two(2, unsigned(year % 100));
    two(5, unsigned(date.month()));
    two(8, unsigned(date.day()));
    two(11, unsigned(time.hours().count()));
    two(14, unsigned(time.minutes().count()));
    two(17, unsigned(time.seconds().count()));
    text[4] = text[7] = '-';
    text[10] = 'T';
    text[13] = text[16] = ':';
    text[19] = 'Z';
    put(QByteArrayView(text, sizeof text));
}

// A JSON string inside the quoted payload field: JSON's escapes, then every quote doubled.
void CsvExport::appendJsonString(QStringView text) {
    // At most six bytes for one UTF-16 unit: a control character's \u00XX.
    char* const start = room(size_t(text.size()) * 6 + 4);
    char* end = start;
    const auto add = [&end](QByteArrayView bytes) {
        std::memcpy(end, bytes.data(), size_t(bytes.size()));
        end += bytes.size();
    };
    add("\"\"");
    forEachUtf8(text, [&](char c) {
        switch (c) {
        case '"':
            return add("\\\"\"");
        case '\\':
            return add("\\\\");
        case '\n':
            return add("\\n");
        case '\r':
            return add("\\r");
        case '\t':
            return add("\\t");
        default:
            if (static_cast<unsigned char>(c) >= 0x20) {
                *end++ = c;
                return;
            }
            static constexpr char hex[] = "0123456789abcdef";
            const char escape[] = {'\\', 'u', '0', '0', hex[(c >> 4) & 0xF], hex[c & 0xF]};
            add(QByteArrayView(escape, sizeof escape));
        }
    });
    add("\"\"");
    m_used += size_t(end - start);
}

void CsvExport::appendPayload(const StatsPayload& payload) {
    // Always quoted: every key brings quotes of its own.
    put("\"{");
    bool firstEntry = true;
    for (const auto& [key, value] : payload) {
        if (!firstEntry)
            put(',');
        firstEntry = false;
        appendJsonString(key);
        put(':');
        const auto& storage = value.storage();
        char number[32];
        const auto putNumber = [&](auto n) {
            const auto [end, error] = std::to_chars(number, number + sizeof number, n);
            put(error == std::errc() ? QByteArrayView(number, end - number) : QByteArrayView("null"));
        };
        if (const auto* s = std::get_if<QString>(&storage))
            appendJsonString(*s);
        else if (const auto* i = std::get_if<qint64>(&storage))
            putNumber(*i);
        else if (const auto* b = std::get_if<bool>(&storage))
            put(*b ? "true" : "false");
        else if (const double d = std::get<double>(storage); std::isfinite(d))
            putNumber(d);
        else
            put("null");
    }
    put("}\"");
}

char* CsvExport::room(size_t bytes) {
    if (m_used + bytes > m_block.size())
        m_block.resize(std::max(m_block.size() * 2, m_used + bytes));
    return m_block.data() + m_used;
}

void CsvExport::put(char c) {
    *room(1) = c;
    ++m_used;
}

void CsvExport::put(QByteArrayView bytes) {
    std::memcpy(room(size_t(bytes.size())), bytes.data(), size_t(bytes.size()));
    m_used += size_t(bytes.size());
}

bool CsvExport::flush(bool always) {
    if (m_failed || (!always && m_used < size_t(blockSize)))
        return !m_failed;
    m_failed = m_out->write(m_block.data(), qint64(m_used)) != qint64(m_used);
    m_used = 0;
    return !m_failed;
}
