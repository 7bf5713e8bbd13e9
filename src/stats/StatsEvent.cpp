#include "StatsEvent.h"

#include "platform/StrictInt.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<std::string_view, 12> typeNames{
    "app_launched",           "rest_started",        "rest_completed",    "rest_skipped",
    "hydration_prompt_shown", "hydration_completed", "hydration_skipped", "hydration_snoozed",
    "pelvic_prompt_shown",    "pelvic_completed",    "pelvic_skipped",    "pelvic_snoozed",
};

constexpr std::array<std::string_view, 5> sourceNames{"system", "scheduled", "manual", "notification",
                                                      "auto_timeout"};

// Where `raw` stands in `names`. Bulk reading hands in UTF-8, compared as bytes.
template <size_t N> int indexIn(const std::array<std::string_view, N>& names, QAnyStringView raw) {
    return raw.visit([&names](auto view) {
        for (size_t i = 0; i < N; ++i) {
            bool equal = false;
            if constexpr (std::is_same_v<decltype(view), QStringView>)
                equal = view == QLatin1StringView(names[i].data(), qsizetype(names[i].size()));
            else
                equal = std::string_view(reinterpret_cast<const char*>(view.data()), size_t(view.size())) ==
                        names[i];
            if (equal)
                return int(i);
        }
        return -1;
    });
}

// The signed 64-bit range as doubles: [-2^63, 2^63).
constexpr double int64Low = -9223372036854775808.0;
constexpr double int64High = 9223372036854775808.0;

std::optional<qint64> truncatedToInt(double d) {
    if (!std::isfinite(d))
        return std::nullopt;
    const double t = std::trunc(d);
    if (t < int64Low || t >= int64High)
        return std::nullopt;
    return qint64(t);
}

QJsonValue toJsonValue(const StatsPayloadValue& value) {
    return std::visit([](const auto& v) { return QJsonValue(v); }, value.storage());
}

// Tries bool, then int, then double, then string.
std::optional<StatsPayloadValue> payloadFromJson(const QJsonValue& v) {
    switch (v.type()) {
    case QJsonValue::Bool:
        return StatsPayloadValue(v.toBool());
    case QJsonValue::Double: {
        const QVariant raw = v.toVariant();
        if (raw.typeId() == QMetaType::LongLong)
            return StatsPayloadValue(raw.toLongLong());
        return StatsPayloadValue::fromNumber(v.toDouble());
    }
    case QJsonValue::String:
        return StatsPayloadValue(v.toString());
    default:
        return std::nullopt;
    }
}

// One parser for both text forms; works on the code units alone.
template <typename View> std::optional<qint64> parseTimestamp(View s) {
    const auto unit = [&s](qsizetype i) -> char16_t {
        if constexpr (std::is_same_v<View, QStringView>)
            return s[i].unicode();
        else
            return char16_t(static_cast<unsigned char>(s[i]));
    };
    const auto digit = [&unit](qsizetype i) -> int {
        const char16_t c = unit(i);
        return c >= u'0' && c <= u'9' ? int(c - u'0') : -1;
    };
    const auto number = [&digit](qsizetype from, qsizetype count) {
        int value = 0;
        for (qsizetype i = from; i < from + count; ++i) {
            const int d = digit(i);
            if (d < 0)
                return -1;
            value = value * 10 + d;
        }
        return value;
    };
    const auto is = [&unit](qsizetype i, char16_t c) { return unit(i) == c; };
    // yyyy-MM-ddTHH:mm:ss followed by Z or ±HH:mm; no fraction.
    if (s.size() < 20 || !is(4, u'-') || !is(7, u'-') || !is(10, u'T') || !is(13, u':') || !is(16, u':'))
        return std::nullopt;
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    int offsetSeconds = 0;
    if (s.size() == 20 && is(19, u'Z')) {
    } else if (s.size() == 25 && (is(19, u'+') || is(19, u'-')) && is(22, u':')) {
        const int hours = number(20, 2), minutes = number(23, 2);
        if (hours < 0 || minutes < 0 || hours > 23 || minutes > 59)
            return std::nullopt;
        offsetSeconds = (hours * 60 + minutes) * 60 * (is(19, u'-') ? -1 : 1);
    } else {
        return std::nullopt;
    }
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
        return std::nullopt;
    // Plain arithmetic from the day number: building the date-time field by field costs far more.
    // Days since 1970-01-01 of the proleptic Gregorian date (the civil-from-days inverse).
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const qint64 days =
        qint64(era) * 146097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds;
}

std::optional<QDateTime> toMoment(std::optional<qint64> seconds) {
    if (!seconds)
        return std::nullopt;
    return QDateTime::fromSecsSinceEpoch(*seconds, Qt::UTC);
}

constexpr std::array<std::string_view, StatsReportEvent::numberCount> reportNumberKeys{
    "plannedSeconds", "actualSeconds", "skippedSeconds", "guidedSeconds"};

} // namespace

QString rawValue(StatsEventType type) {
    return QString::fromLatin1(typeNames[size_t(type)]);
}

QString rawValue(StatsEventSource source) {
    return QString::fromLatin1(sourceNames[size_t(source)]);
}

std::optional<StatsEventType> statsEventTypeFromRaw(QAnyStringView raw) {
    const int i = indexIn(typeNames, raw);
    return i < 0 ? std::nullopt : std::optional(StatsEventType(i));
}

std::optional<StatsEventSource> statsEventSourceFromRaw(QAnyStringView raw) {
    const int i = indexIn(sourceNames, raw);
    return i < 0 ? std::nullopt : std::optional(StatsEventSource(i));
}

StatsPayloadValue StatsPayloadValue::fromNumber(double d) {
    if (std::trunc(d) == d)
        if (const auto i = truncatedToInt(d))
            return StatsPayloadValue(*i);
    return StatsPayloadValue(d);
}

std::optional<qint64> StatsPayloadValue::intValue() const {
    if (const auto* i = std::get_if<qint64>(&m_value))
        return *i;
    if (const auto* d = std::get_if<double>(&m_value))
        return truncatedToInt(*d);
    if (const auto* s = std::get_if<QString>(&m_value))
        return parseStrictInt64(*s);
    return std::nullopt;
}

QString StatsPayloadValue::stringValue() const {
    if (const auto* s = std::get_if<QString>(&m_value))
        return *s;
    if (const auto* i = std::get_if<qint64>(&m_value))
        return QString::number(*i);
    if (const auto* b = std::get_if<bool>(&m_value))
        return *b ? u"true"_s : u"false"_s;
    const double d = std::get<double>(m_value);
    if (!std::isfinite(d))
        return QString::number(d);
    // The shortest round-trip digits, spelt out without an exponent: the
    // timeline shows these to people, and "1e+05" reads as nothing.
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::scientific);
    if (error != std::errc())
        return QString::number(d);
    const std::string_view sci(buffer, size_t(end - buffer));
    const size_t e = sci.find('e');
    const bool negative = sci.front() == '-';
    std::string digits;
    for (char c : sci.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
        if (c != '.')
            digits += c;
    // The point sits after the first digit, moved by the exponent.
    const int point = 1 + std::stoi(std::string(sci.substr(e + 1)));
    std::string plain;
    if (point <= 0)
        plain = "0." + std::string(size_t(-point), '0') + digits;
    else if (size_t(point) >= digits.size())
        plain = digits + std::string(size_t(point) - digits.size(), '0') + ".0";
    else
        plain = digits.substr(0, size_t(point)) + '.' + digits.substr(size_t(point));
    QString text = QString::fromLatin1(plain);
    if (negative)
        text.prepend(u'-');
    return text;
}

StatsPayload::StatsPayload(std::initializer_list<Entry> entries) {
    for (const Entry& e : entries)
        insert(e.first, e.second);
}

QList<StatsPayload::Entry>::const_iterator StatsPayload::find(QStringView key) const {
    const auto it = std::lower_bound(m_entries.cbegin(), m_entries.cend(), key,
                                     [](const Entry& e, QStringView k) { return QStringView(e.first) < k; });
    return (it != m_entries.cend() && it->first == key) ? it : m_entries.cend();
}

void StatsPayload::insert(const QString& key, const StatsPayloadValue& value) {
    const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), key,
                                     [](const Entry& e, const QString& k) { return e.first < k; });
    if (it != m_entries.end() && it->first == key)
        it->second = value;
    else
        m_entries.insert(it, {key, value});
}

StatsPayloadValue StatsPayload::value(QStringView key) const {
    return get(key).value_or(StatsPayloadValue());
}

std::optional<StatsPayloadValue> StatsPayload::get(QStringView key) const {
    const auto it = find(key);
    return it == m_entries.cend() ? std::nullopt : std::optional(it->second);
}

QString formatStatsTimestamp(const QDateTime& moment) {
    return moment.toUTC().toString(u"yyyy-MM-dd'T'HH:mm:ss'Z'"_s);
}

std::optional<QDateTime> parseStatsTimestamp(QStringView text) {
    return toMoment(parseTimestamp(text));
}

std::optional<QDateTime> parseStatsTimestamp(QByteArrayView utf8) {
    return toMoment(parseTimestamp(utf8));
}

std::optional<qint64> parseStatsTimestampSeconds(QByteArrayView utf8) {
    return parseTimestamp(utf8);
}

int StatsReportEvent::numberIndex(QAnyStringView key) {
    return indexIn(reportNumberKeys, key);
}

StatsReportEvent StatsReportEvent::from(const StatsEvent& event) {
    StatsReportEvent brief;
    brief.msecs = event.timestamp.toMSecsSinceEpoch();
    brief.type = event.type;
    brief.dayKey = event.dayKey;
    for (size_t i = 0; i < reportNumberKeys.size(); ++i)
        brief.numbers[i] = event.payload.get(QString::fromLatin1(reportNumberKeys[i]));
    return brief;
}

QByteArray StatsEvent::toJson() const {
    QJsonObject payloadObject;
    for (const auto& [key, value] : payload)
        payloadObject.insert(key, toJsonValue(value));
    QJsonObject o{
        {u"id"_s, id},
        {u"timestamp"_s, formatStatsTimestamp(timestamp)},
        {u"dayKey"_s, dayKey},
        {u"monthKey"_s, monthKey},
        {u"type"_s, rawValue(type)},
        {u"source"_s, rawValue(source)},
        {u"payload"_s, payloadObject},
        {u"appVersion"_s, appVersion},
    };
    if (sessionId)
        o.insert(u"sessionId"_s, *sessionId);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<StatsEvent> StatsEvent::fromJson(QByteArrayView json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject o = document.object();

    const auto text = [&o](QLatin1StringView key) -> std::optional<QString> {
        const QJsonValue v = o.value(key);
        return v.isString() ? std::optional(v.toString()) : std::nullopt;
    };
    const auto id = text("id"_L1);
    const auto timestamp = text("timestamp"_L1);
    const auto dayKey = text("dayKey"_L1);
    const auto monthKey = text("monthKey"_L1);
    const auto type = text("type"_L1);
    const auto source = text("source"_L1);
    const auto appVersion = text("appVersion"_L1);
    const QJsonValue payloadValue = o.value("payload"_L1);
    if (!id || !timestamp || !dayKey || !monthKey || !type || !source || !appVersion ||
        !payloadValue.isObject())
        return std::nullopt;

    StatsEvent event;
    event.id = *id;
    event.dayKey = *dayKey;
    event.monthKey = *monthKey;
    event.appVersion = *appVersion;
    const auto moment = parseStatsTimestamp(*timestamp);
    const auto typeCase = statsEventTypeFromRaw(*type);
    const auto sourceCase = statsEventSourceFromRaw(*source);
    if (!moment || !typeCase || !sourceCase)
        return std::nullopt;
    event.timestamp = *moment;
    event.type = *typeCase;
    event.source = *sourceCase;

    const QJsonValue session = o.value("sessionId"_L1);
    if (session.isString())
        event.sessionId = session.toString();
    else if (!session.isUndefined() && !session.isNull())
        return std::nullopt;

    const QJsonObject payloadObject = payloadValue.toObject();
    for (auto it = payloadObject.begin(); it != payloadObject.end(); ++it) {
        auto value = payloadFromJson(it.value());
        if (!value)
            return std::nullopt;
        event.payload.insert(it.key(), *value);
    }
    return event;
}
