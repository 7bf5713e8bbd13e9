#include "StatsEventReader.h"

#include <algorithm>
#include <cstring>
#include <simdjson.h>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QByteArrayView bytes(std::string_view s) {
    return QByteArrayView(s.data(), qsizetype(s.size()));
}

enum Field { id, timestamp, dayKey, monthKey, type, source, sessionId, payload, appVersion, fieldCount };

// A payload value as the general parser reads it; nothing for null, arrays and objects.
template <typename Text>
std::optional<StatsPayloadValue> payloadValue(const simdjson::dom::element& v, Text text) {
    using simdjson::dom::element_type;
    switch (v.type()) {
    case element_type::BOOL:
        return StatsPayloadValue(bool(v.get_bool()));
    case element_type::INT64:
        return StatsPayloadValue(qint64(int64_t(v.get_int64())));
    case element_type::UINT64:
        return StatsPayloadValue::fromNumber(double(uint64_t(v.get_uint64())));
    case element_type::DOUBLE:
        return StatsPayloadValue::fromNumber(double(v.get_double()));
    case element_type::STRING:
        return StatsPayloadValue(text(std::string_view(v.get_string())));
    default:
        return std::nullopt;
    }
}

} // namespace

struct StatsEventReader::Parser {
    simdjson::dom::parser parser;
    // simdjson reads a little past the end of its input; lines are copied here first.
    std::vector<char> padded;
    // The payload keys of the line at hand, for the report's check of repeats.
    std::vector<std::string_view> keys;
};

// Builds the whole event.
struct StatsEventReader::EventSink {
    StatsEventReader& reader;
    StatsEvent event;

    void text(Field f, std::string_view text) {
        switch (f) {
        case id:
            event.id = QString::fromUtf8(bytes(text));
            break;
        case dayKey:
            event.dayKey = shared(bytes(text), reader.m_dayKey);
            break;
        case monthKey:
            event.monthKey = shared(bytes(text), reader.m_monthKey);
            break;
        case sessionId:
            event.sessionId = QString::fromUtf8(bytes(text));
            break;
        default:
            event.appVersion = shared(bytes(text), reader.m_appVersion);
            break;
        }
    }
    void moment(qint64 seconds) { event.timestamp = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC); }
    void kind(StatsEventType t, StatsEventSource s) {
        event.type = t;
        event.source = s;
    }
    qsizetype members = 0;

    // False for a value no payload may hold.
    bool member(std::string_view key, const simdjson::dom::element& v) {
        const auto value = payloadValue(v, [this](std::string_view s) { return reader.shared(bytes(s)); });
        ++members;
        event.payload.insert(reader.shared(bytes(key)), value.value_or(StatsPayloadValue()));
        return bool(value);
    }
    bool repeatedKey() const { return members != event.payload.size(); }
};

// Keeps the type, the moment, the day and the numbers a report reads.
struct StatsEventReader::ReportSink {
    StatsEventReader& reader;
    StatsReportEvent event;
    std::vector<std::string_view>& keys;

    void text(Field f, std::string_view text) {
        if (f == dayKey)
            event.dayKey = shared(bytes(text), reader.m_dayKey);
    }
    void moment(qint64 seconds) { event.msecs = seconds * 1000; }
    void kind(StatsEventType t, StatsEventSource) { event.type = t; }
    bool member(std::string_view key, const simdjson::dom::element& v) {
        keys.push_back(key);
        const int slot = StatsReportEvent::numberIndex(QUtf8StringView(key));
        if (slot < 0) {
            const auto t = v.type();
            using simdjson::dom::element_type;
            return t != element_type::NULL_VALUE && t != element_type::ARRAY && t != element_type::OBJECT;
        }
        auto& number = event.numbers[size_t(slot)];
        number = payloadValue(v, [](std::string_view s) { return QString::fromUtf8(bytes(s)); });
        return bool(number);
    }
    bool repeatedKey() {
        // A payload has a handful of keys; only a hostile one needs sorting.
        if (keys.size() <= 8) {
            for (size_t i = 1; i < keys.size(); ++i)
                if (std::find(keys.begin(), keys.begin() + qsizetype(i), keys[i]) !=
                    keys.begin() + qsizetype(i))
                    return true;
            return false;
        }
        std::sort(keys.begin(), keys.end());
        return std::adjacent_find(keys.begin(), keys.end()) != keys.end();
    }
};

StatsEventReader::StatsEventReader()
    : m_parser(std::make_unique<Parser>()) {}

StatsEventReader::~StatsEventReader() = default;

QString StatsEventReader::shared(QByteArrayView utf8, Interned& last) {
    if (last.utf8 != utf8)
        last = {utf8.toByteArray(), QString::fromUtf8(utf8)};
    return last.text;
}

QString StatsEventReader::shared(QByteArrayView utf8) {
    for (const Interned& s : std::as_const(m_pool)) {
        if (s.utf8 == utf8)
            return s.text;
    }
    QString text = QString::fromUtf8(utf8);
    if (m_pool.size() < 32)
        m_pool.append({utf8.toByteArray(), text});
    return text;
}

template <typename Sink> StatsEventReader::Verdict StatsEventReader::judge(QByteArrayView line, Sink& sink) {
    using namespace simdjson;
    std::vector<char>& buffer = m_parser->padded;
    buffer.resize(size_t(line.size()) + SIMDJSON_PADDING);
    std::copy(line.begin(), line.end(), buffer.begin());

    dom::element root;
    if (m_parser->parser.parse(buffer.data(), size_t(line.size()), false).get(root))
        return Verdict::unsure;
    dom::object object;
    if (root.get_object().get(object))
        return Verdict::invalid;
    // A repeated key leaves the line to the general parser, which keeps the
    // last one and so may mend what came first: judge only once all is read.
    bool broken = false;
    static constexpr std::string_view names[fieldCount] = {
        "id", "timestamp", "dayKey", "monthKey", "type", "source", "sessionId", "payload", "appVersion"};
    bool seen[fieldCount] = {};
    std::optional<StatsEventType> typeCase;
    std::optional<StatsEventSource> sourceCase;
    for (const dom::key_value_pair field : object) {
        const auto known = std::find(std::begin(names), std::end(names), field.key);
        if (known == std::end(names))
            continue;
        const auto f = Field(known - std::begin(names));
        if (seen[f])
            return Verdict::unsure;
        seen[f] = true;
        if (f == payload) {
            dom::object members;
            if (field.value.get_object().get(members)) {
                broken = true;
                continue;
            }
            for (const dom::key_value_pair member : members)
                broken = !sink.member(member.key, member.value) || broken;
            if (sink.repeatedKey())
                return Verdict::unsure;
            continue;
        }
        if (f == sessionId && field.value.is_null())
            continue;
        std::string_view text;
        if (field.value.get_string().get(text)) {
            broken = true;
            continue;
        }
        switch (f) {
        case timestamp:
            if (const auto t = parseStatsTimestampSeconds(bytes(text)))
                sink.moment(*t);
            else
                broken = true;
            break;
        case type:
            typeCase = statsEventTypeFromRaw(QUtf8StringView(text));
            broken = broken || !typeCase;
            break;
        case source:
            sourceCase = statsEventSourceFromRaw(QUtf8StringView(text));
            broken = broken || !sourceCase;
            break;
        default:
            sink.text(f, text);
            break;
        }
    }
    for (int f = 0; f < fieldCount; ++f)
        broken = broken || (!seen[f] && f != sessionId);
    if (broken)
        return Verdict::invalid;
    sink.kind(*typeCase, *sourceCase);
    return Verdict::decoded;
}

std::optional<StatsEvent> StatsEventReader::decode(QByteArrayView line) {
    EventSink sink{*this, {}};
    switch (judge(line, sink)) {
    case Verdict::decoded:
        return std::move(sink.event);
    case Verdict::invalid:
        return std::nullopt;
    case Verdict::unsure:
        break;
    }
    return StatsEvent::fromJson(line);
}

std::optional<StatsReportEvent> StatsEventReader::decodeForReport(QByteArrayView line) {
    m_parser->keys.clear();
    ReportSink sink{*this, {}, m_parser->keys};
    switch (judge(line, sink)) {
    case Verdict::decoded:
        return std::move(sink.event);
    case Verdict::invalid:
        return std::nullopt;
    case Verdict::unsure:
        break;
    }
    const auto event = StatsEvent::fromJson(line);
    return event ? std::optional(StatsReportEvent::from(*event)) : std::nullopt;
}

bool StatsEventReader::mayFallWithin(QByteArrayView line, qint64 fromMsecs, qint64 toMsecs) {
    // Without a backslash no string can hold a quote, so "timestamp" in quotes
    // is a whole key or value, spelt the one way a key can be spelt.
    if (line.contains('\\'))
        return true;
    static constexpr std::string_view key = "\"timestamp\"";
    const std::string_view text(line.data(), size_t(line.size()));
    // memmem: a search led by the first byte stops at every quote of the line.
    const auto find = [&text](size_t from) {
        const void* hit = ::memmem(text.data() + from, text.size() - from, key.data(), key.size());
        return hit ? size_t(static_cast<const char*>(hit) - text.data()) : std::string_view::npos;
    };
    const size_t at = find(0);
    // No such key: the line decodes to nothing.
    if (at == std::string_view::npos)
        return false;
    // A second one may be the real key, nested or repeated: let the decoder judge.
    if (find(at + key.size()) != std::string_view::npos)
        return true;
    const size_t value = at + key.size();
    if (text.substr(value, 2) != ":\"")
        return true;
    const size_t close = text.find('"', value + 2);
    if (close == std::string_view::npos)
        return false;
    // The one timestamp of the line: unreadable means undecodable.
    const auto seconds = parseStatsTimestampSeconds(bytes(text.substr(value + 2, close - value - 2)));
    if (!seconds)
        return false;
    const qint64 msecs = *seconds * 1000;
    return msecs >= fromMsecs && msecs < toMsecs;
}
