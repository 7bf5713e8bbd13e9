#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <array>
#include <optional>
#include <variant>

enum class StatsEventType {
    appLaunched,
    restStarted,
    restCompleted,
    restSkipped,
    hydrationPromptShown,
    hydrationCompleted,
    hydrationSkipped,
    hydrationSnoozed,
    pelvicPromptShown,
    pelvicCompleted,
    pelvicSkipped,
    pelvicSnoozed,
};

enum class StatsEventSource { system, scheduled, manual, notification, autoTimeout };

QString rawValue(StatsEventType type);
QString rawValue(StatsEventSource source);
std::optional<StatsEventType> statsEventTypeFromRaw(QAnyStringView raw);
std::optional<StatsEventSource> statsEventSourceFromRaw(QAnyStringView raw);

// One payload value; written to JSON as its natural type, without a tag.
class StatsPayloadValue {
public:
    using Storage = std::variant<QString, qint64, double, bool>;

    StatsPayloadValue() = default;

    StatsPayloadValue(const QString& v)
        : m_value(v) {}
    StatsPayloadValue(qint64 v)
        : m_value(v) {}
    StatsPayloadValue(int v)
        : m_value(qint64(v)) {}
    StatsPayloadValue(double v)
        : m_value(v) {}
    StatsPayloadValue(bool v)
        : m_value(v) {}

    // How a JSON number reads back: integral values within range as integers, the rest as doubles.
    static StatsPayloadValue fromNumber(double d);

    const Storage& storage() const { return m_value; }
    bool operator==(const StatsPayloadValue&) const = default;

    // Integers as they are, doubles truncated toward zero, strict base-10
    // strings; booleans and anything out of range give nothing.
    std::optional<qint64> intValue() const;
    // Doubles in their shortest round-trip form, always with a fraction.
    QString stringValue() const;

private:
    Storage m_value;
};

// The payload map: a handful of keys, kept sorted in one small array, which
// costs far less than a hash when a month holds tens of thousands of events.
class StatsPayload {
public:
    using Entry = std::pair<QString, StatsPayloadValue>;

    StatsPayload() = default;
    StatsPayload(std::initializer_list<Entry> entries);

    void insert(const QString& key, const StatsPayloadValue& value);
    void reserve(qsizetype count) { m_entries.reserve(count); }
    bool contains(QStringView key) const { return find(key) != m_entries.cend(); }
    // The value under `key`, or an empty string value when absent.
    StatsPayloadValue value(QStringView key) const;
    std::optional<StatsPayloadValue> get(QStringView key) const;

    qsizetype size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    QList<Entry>::const_iterator begin() const { return m_entries.cbegin(); }
    QList<Entry>::const_iterator end() const { return m_entries.cend(); }
    bool operator==(const StatsPayload&) const = default;

private:
    QList<Entry>::const_iterator find(QStringView key) const;
    QList<Entry> m_entries;
};

struct StatsEvent {
    QString id;
    QDateTime timestamp;
    QString dayKey;
    QString monthKey;
    StatsEventType type = StatsEventType::appLaunched;
    StatsEventSource source = StatsEventSource::system;
    std::optional<QString> sessionId;
    StatsPayload payload;
    QString appVersion;

    bool operator==(const StatsEvent&) const = default;

    // One compact JSON object, no line break.
    QByteArray toJson() const;
    // Nothing when the text is not a complete, well-formed event.
    static std::optional<StatsEvent> fromJson(QByteArrayView json);
};

// What a report needs of one event: its type, moment and day, and the few
// payload numbers it sums or shows; no id, no source, no map of the payload.
struct StatsReportEvent {
    enum Number { plannedSeconds, actualSeconds, skippedSeconds, guidedSeconds, numberCount };
    qint64 msecs = 0; // the timestamp, milliseconds since the epoch
    StatsEventType type = StatsEventType::appLaunched;
    QString dayKey;
    std::array<std::optional<StatsPayloadValue>, numberCount> numbers;

    QDateTime timestamp() const { return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC); }
    const std::optional<StatsPayloadValue>& number(Number n) const { return numbers[size_t(n)]; }
    // The payload key's slot, or -1 for a key no report reads.
    static int numberIndex(QAnyStringView key);
    static StatsReportEvent from(const StatsEvent& event);
    bool operator==(const StatsReportEvent&) const = default;
};

// "2025-03-01T08:15:30Z": UTC, whole seconds (any fraction is dropped).
QString formatStatsTimestamp(const QDateTime& moment);
// Whole-second ISO 8601 with Z or a numeric offset; anything else gives nothing.
std::optional<QDateTime> parseStatsTimestamp(QStringView text);
std::optional<QDateTime> parseStatsTimestamp(QByteArrayView utf8);
// The same, as seconds since the epoch.
std::optional<qint64> parseStatsTimestampSeconds(QByteArrayView utf8);
