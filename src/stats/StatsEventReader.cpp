#include "StatsEventReader.h"

#include <QLatin1StringView>

using namespace Qt::StringLiterals;

namespace {

// Outcome of the fast path: a decoded event, a line that is certainly not an
// event, or a line the fast path leaves to the general parser. Anything short
// of certain is left to the parser: a later duplicate key could still mend it.
enum class Verdict { decoded, invalid, unsure };

class Scanner {
public:
    explicit Scanner(QByteArrayView text)
        : p(text.data())
        , end(text.data() + text.size()) {}

    void skipSpace() {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
            ++p;
    }
    bool take(char c) {
        skipSpace();
        if (p < end && *p == c) {
            ++p;
            return true;
        }
        return false;
    }
    bool atEnd() {
        skipSpace();
        return p == end;
    }
    char peek() {
        skipSpace();
        return p < end ? *p : '\0';
    }
    // A string of printable ASCII without escapes.
    std::optional<QByteArrayView> plainString() {
        if (!take('"'))
            return std::nullopt;
        const char* start = p;
        while (p < end && *p != '"') {
            const auto c = static_cast<unsigned char>(*p);
            if (c < 0x20 || c >= 0x80 || c == '\\')
                return std::nullopt;
            ++p;
        }
        if (p == end)
            return std::nullopt;
        return QByteArrayView(start, p++ - start);
    }
    bool literal(QByteArrayView word) {
        skipSpace();
        if (end - p < word.size() || QByteArrayView(p, word.size()) != word)
            return false;
        p += word.size();
        return true;
    }
    // An integer of up to 18 digits in JSON's grammar; anything else is unsure.
    std::optional<qint64> smallInteger() {
        skipSpace();
        const char* start = p;
        bool negative = false;
        if (p < end && *p == '-') {
            negative = true;
            ++p;
        }
        const char* digits = p;
        qint64 value = 0;
        while (p < end && *p >= '0' && *p <= '9')
            value = value * 10 + (*p++ - '0');
        const qsizetype count = p - digits;
        const bool leadingZero = count > 1 && *digits == '0';
        if (count == 0 || count > 18 || leadingZero || (p < end && (*p == '.' || *p == 'e' || *p == 'E'))) {
            p = start;
            return std::nullopt;
        }
        return negative ? -value : value;
    }

private:
    const char* p;
    const char* end;
};

} // namespace

QString StatsEventReader::shared(QByteArrayView ascii) {
    const QLatin1StringView text(ascii.data(), ascii.size());
    for (const QString& s : std::as_const(m_pool)) {
        if (s.size() == text.size() && s == text)
            return s;
    }
    QString s = text.toString();
    if (m_pool.size() < 64)
        m_pool.append(s);
    return s;
}

std::optional<StatsEvent> StatsEventReader::decode(QByteArrayView line) {
    Scanner in(line);
    StatsEvent event;
    enum Field { id, timestamp, dayKey, monthKey, type, source, sessionId, payload, appVersion, count };
    bool seen[count] = {};

    const auto fast = [&]() -> Verdict {
        if (!in.take('{'))
            return Verdict::unsure;
        if (in.take('}'))
            return Verdict::invalid; // no required key
        do {
            const auto key = in.plainString();
            if (!key || !in.take(':'))
                return Verdict::unsure;
            static constexpr std::pair<QByteArrayView, Field> names[] = {
                {"id", id},
                {"timestamp", timestamp},
                {"dayKey", dayKey},
                {"monthKey", monthKey},
                {"type", type},
                {"source", source},
                {"sessionId", sessionId},
                {"payload", payload},
                {"appVersion", appVersion},
            };
            const auto known = std::find_if(std::begin(names), std::end(names),
                                            [&](const auto& n) { return n.first == *key; });
            if (known == std::end(names) || seen[known->second])
                return Verdict::unsure; // extra keys may hold anything; duplicates are rare
            const Field field = known->second;
            seen[field] = true;
            if (field == sessionId && in.literal("null"))
                continue;
            if (field == payload) {
                if (!in.take('{'))
                    return Verdict::unsure;
                if (!in.take('}')) {
                    do {
                        const auto name = in.plainString();
                        if (!name || !in.take(':'))
                            return Verdict::unsure;
                        const QString k = shared(*name);
                        if (event.payload.contains(k))
                            return Verdict::unsure;
                        if (in.literal("true"))
                            event.payload.insert(k, true);
                        else if (in.literal("false"))
                            event.payload.insert(k, false);
                        else if (const auto i = in.smallInteger())
                            event.payload.insert(k, *i);
                        else if (in.peek() == '"') {
                            const auto s = in.plainString();
                            if (!s)
                                return Verdict::unsure;
                            event.payload.insert(k, shared(*s));
                        } else
                            return Verdict::unsure;
                    } while (in.take(','));
                    if (!in.take('}'))
                        return Verdict::unsure;
                }
                continue;
            }
            if (in.peek() != '"')
                return Verdict::unsure;
            const auto value = in.plainString();
            if (!value)
                return Verdict::unsure;
            switch (field) {
            case id:
                event.id = QLatin1StringView(value->data(), value->size()).toString();
                break;
            case timestamp: {
                const auto t =
                    parseStatsTimestamp(QLatin1StringView(value->data(), value->size()).toString());
                if (!t)
                    return Verdict::unsure;
                event.timestamp = *t;
                break;
            }
            case dayKey:
                event.dayKey = shared(*value);
                break;
            case monthKey:
                event.monthKey = shared(*value);
                break;
            case type: {
                const auto t =
                    statsEventTypeFromRaw(QLatin1StringView(value->data(), value->size()).toString());
                if (!t)
                    return Verdict::unsure;
                event.type = *t;
                break;
            }
            case source: {
                const auto s =
                    statsEventSourceFromRaw(QLatin1StringView(value->data(), value->size()).toString());
                if (!s)
                    return Verdict::unsure;
                event.source = *s;
                break;
            }
            case sessionId:
                event.sessionId = QLatin1StringView(value->data(), value->size()).toString();
                break;
            case appVersion:
                event.appVersion = shared(*value);
                break;
            default:
                break;
            }
        } while (in.take(','));
        if (!in.take('}') || !in.atEnd())
            return Verdict::unsure;
        for (int f = 0; f < count; ++f) {
            if (!seen[f] && f != sessionId)
                return Verdict::invalid;
        }
        return Verdict::decoded;
    };

    switch (fast()) {
    case Verdict::decoded:
        return event;
    case Verdict::invalid:
        return std::nullopt;
    case Verdict::unsure:
        break;
    }
    return StatsEvent::fromJson(line);
}
