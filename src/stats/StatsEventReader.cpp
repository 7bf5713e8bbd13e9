#include "StatsEventReader.h"

#include <simdjson.h>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A decoded event, a line that is certainly no event, or one to hand to the general parser.
enum class Verdict { decoded, invalid, unsure };

QByteArrayView bytes(std::string_view s) {
    return QByteArrayView(s.data(), qsizetype(s.size()));
}

} // namespace

struct StatsEventReader::Parser {
    simdjson::dom::parser parser;
    // simdjson reads a little past the end of its input; lines are copied here first.
    std::vector<char> padded;
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

std::optional<StatsEvent> StatsEventReader::decode(QByteArrayView line) {
    using namespace simdjson;
    std::vector<char>& buffer = m_parser->padded;
    buffer.resize(size_t(line.size()) + SIMDJSON_PADDING);
    std::copy(line.begin(), line.end(), buffer.begin());

    StatsEvent event;
    const auto judge = [&]() -> Verdict {
        dom::element root;
        if (m_parser->parser.parse(buffer.data(), size_t(line.size()), false).get(root))
            return Verdict::unsure;
        dom::object object;
        if (root.get_object().get(object))
            return Verdict::invalid;
        // A repeated key leaves the line to the general parser, which keeps the
        // last one and so may mend what came first: judge only once all is read.
        bool broken = false;
        enum Field { id, timestamp, dayKey, monthKey, type, source, sessionId, payload, appVersion, count };
        static constexpr std::string_view names[count] = {
            "id", "timestamp", "dayKey", "monthKey", "type", "source", "sessionId", "payload", "appVersion"};
        bool seen[count] = {};
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
                qsizetype count = 0;
                event.payload.reserve(qsizetype(members.size()));
                for (const dom::key_value_pair member : members) {
                    const QString key = shared(bytes(member.key));
                    ++count;
                    const dom::element v = member.value;
                    switch (v.type()) {
                    case dom::element_type::BOOL:
                        event.payload.insert(key, bool(v.get_bool()));
                        break;
                    case dom::element_type::INT64:
                        event.payload.insert(key, qint64(int64_t(v.get_int64())));
                        break;
                    case dom::element_type::UINT64:
                        event.payload.insert(key,
                                             StatsPayloadValue::fromNumber(double(uint64_t(v.get_uint64()))));
                        break;
                    case dom::element_type::DOUBLE:
                        event.payload.insert(key, StatsPayloadValue::fromNumber(double(v.get_double())));
                        break;
                    case dom::element_type::STRING:
                        event.payload.insert(key, shared(bytes(std::string_view(v.get_string()))));
                        break;
                    default:
                        broken = true;
                        event.payload.insert(key, StatsPayloadValue());
                    }
                }
                if (count != event.payload.size())
                    return Verdict::unsure; // a repeated payload key
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
            case id:
                event.id = QString::fromUtf8(bytes(text));
                break;
            case timestamp: {
                const auto t = parseStatsTimestamp(bytes(text));
                broken = broken || !t;
                event.timestamp = t.value_or(QDateTime());
                break;
            }
            case dayKey:
                event.dayKey = shared(bytes(text), m_dayKey);
                break;
            case monthKey:
                event.monthKey = shared(bytes(text), m_monthKey);
                break;
            case type: {
                const auto t = statsEventTypeFromRaw(QUtf8StringView(text));
                broken = broken || !t;
                event.type = t.value_or(StatsEventType::appLaunched);
                break;
            }
            case source: {
                const auto s = statsEventSourceFromRaw(QUtf8StringView(text));
                broken = broken || !s;
                event.source = s.value_or(StatsEventSource::system);
                break;
            }
            case sessionId:
                event.sessionId = QString::fromUtf8(bytes(text));
                break;
            default:
                event.appVersion = shared(bytes(text), m_appVersion);
                break;
            }
        }
        for (int f = 0; f < count; ++f)
            broken = broken || (!seen[f] && f != sessionId);
        return broken ? Verdict::invalid : Verdict::decoded;
    };

    switch (judge()) {
    case Verdict::decoded:
        return event;
    case Verdict::invalid:
        return std::nullopt;
    case Verdict::unsure:
        break;
    }
    return StatsEvent::fromJson(line);
}
