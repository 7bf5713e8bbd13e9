#pragma once

#include "StatsEvent.h"

#include <QString>
#include <QStringList>
#include <mutex>
#include <optional>

struct StatsMeta {
    std::optional<QString> lastDailyReportPromptDay;
    bool operator==(const StatsMeta&) const = default;
};

// The append-only event stream: one JSON line per event, one file per local
// calendar month, under <base>/Tovi/Stats/events/<yyyy-MM>.jsonl.
// Safe to call from several threads: appends are serialised and each line is
// written with a single write() on a file opened for appending.
class StatsStore {
public:
    // The process-wide store over the user's data directory.
    static StatsStore& shared();

    // A store rooted at <base>/Tovi/Stats.
    explicit StatsStore(const QString& base);

    QString rootDirectory() const { return m_root; }
    QString eventsDirectory() const { return m_events; }
    QString reportsDirectory() const { return m_reports; }
    QString metaPath() const { return m_meta; }

    void record(StatsEventType type, StatsEventSource source, const std::optional<QString>& sessionId,
                const StatsPayload& payload, const QDateTime& at);

    // Events with start <= timestamp < end, in month order and file order.
    QList<StatsEvent> events(const QDateTime& start, const QDateTime& end) const;
    // The same events as a report reads them: only lines whose timestamp may
    // fall in the interval are decoded, and only what a report needs.
    QList<StatsReportEvent> reportEvents(const QDateTime& start, const QDateTime& end) const;
    bool hasEvents(const QDateTime& on) const;

    StatsMeta loadMeta() const;
    void saveMeta(const StatsMeta& meta);

    // Local calendar keys, ASCII digits.
    static QString dayKey(const QDateTime& moment);
    static QString monthKey(const QDateTime& moment);

    // The month keys an interval touches, each once, in order.
    static QStringList monthKeys(const QDateTime& start, const QDateTime& end);
    QList<StatsEvent> readMonth(const QString& monthKey) const;

private:
    bool ensureDirectories();
    QString monthPath(const QString& monthKey) const;

    QString m_root;
    QString m_events;
    QString m_reports;
    QString m_meta;
    QString m_appVersion;
    std::mutex m_appendMutex;
};
