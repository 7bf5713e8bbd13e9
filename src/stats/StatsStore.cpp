#include "StatsStore.h"

#include "StatsEventReader.h"

#include "platform/AppInfo.h"
#include "platform/Directories.h"
#include "platform/Log.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUuid>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Appends `line` as a line of its own. A file left without its final line
// feed (a crash mid-write, a hand edit) gets one first, or the new event would
// glue onto the torn line and both would be lost. A write that stops part-way
// (a full disk) is cut back, so no partial line is ever left behind.
bool appendLine(int fd, const QByteArray& line) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    const off_t before = st.st_size;
    QByteArray bytes = line;
    char last = '\n';
    if (before > 0 && ::pread(fd, &last, 1, before - 1) == 1 && last != '\n')
        bytes.prepend('\n');
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int saved = n < 0 ? errno : ENOSPC;
            if (done > 0) {
                // Best effort: should this fail too, the next append still starts a new line.
                [[maybe_unused]] const int ignored = ::ftruncate(fd, before);
            }
            errno = saved;
            return false;
        }
        done += n;
    }
    return true;
}

// Line breaks of the text: LF, VT, FF, CR (CR LF counts once), NEL, LS, PS.
// Empty pieces are dropped.
template <typename Visit> void forEachLine(const QByteArray& text, Visit visit) {
    // Bytes that may begin a break; everything else is skipped in one test.
    static constexpr auto mayBreak = [] {
        std::array<bool, 256> table{};
        for (unsigned char c : {'\n', '\v', '\f', '\r', '\xC2', '\xE2'})
            table[c] = true;
        return table;
    }();
    const auto* data = reinterpret_cast<const unsigned char*>(text.constData());
    const qsizetype size = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    const auto flush = [&](qsizetype end) {
        if (end > start)
            visit(QByteArrayView(data + start, end - start));
    };
    while (i < size) {
        // Sixteen bytes at a time through the long stretches between breaks.
        using Block = unsigned char __attribute__((vector_size(16)));
        if (i + 16 <= size) {
            Block b;
            std::memcpy(&b, data + i, sizeof b);
            const auto hit = (b - 0x0A <= 3) | (b == 0xC2) | (b == 0xE2);
            quint64 half[2];
            std::memcpy(half, &hit, sizeof half);
            if ((half[0] | half[1]) == 0) {
                i += 16;
                continue;
            }
        }
        if (!mayBreak[data[i]]) {
            ++i;
            continue;
        }
        const unsigned char c = data[i];
        qsizetype breakLength = 0;
        if (c == '\n' || c == '\v' || c == '\f')
            breakLength = 1;
        else if (c == '\r')
            breakLength = (i + 1 < size && data[i + 1] == '\n') ? 2 : 1;
        else if (c == 0xC2 && i + 1 < size && data[i + 1] == 0x85)
            breakLength = 2;
        else if (c == 0xE2 && i + 2 < size && data[i + 1] == 0x80 &&
                 (data[i + 2] == 0xA8 || data[i + 2] == 0xA9))
            breakLength = 3;
        if (breakLength == 0) {
            ++i;
            continue;
        }
        flush(i);
        i += breakLength;
        start = i;
    }
    flush(size);
}

} // namespace

StatsStore& StatsStore::shared() {
    static StatsStore store(Directories::statsBase());
    return store;
}

StatsStore::StatsStore(const QString& base)
    : m_root(base + u"/Tovi/Stats"_s)
    , m_events(m_root + u"/events"_s)
    , m_reports(m_root + u"/reports"_s)
    , m_meta(m_root + u"/meta.json"_s)
    , m_appVersion(AppInfo::version()) {
    ensureDirectories();
}

bool StatsStore::ensureDirectories() {
    QString error = Directories::makePrivatePath(m_events);
    if (error.isEmpty())
        error = Directories::makePrivatePath(m_reports);
    if (error.isEmpty())
        return true;
    Log::line(u"Tovi Stats: failed to create directories: "_s + error);
    return false;
}

QString StatsStore::monthPath(const QString& monthKey) const {
    return m_events + u'/' + monthKey + u".jsonl"_s;
}

QString StatsStore::dayKey(const QDateTime& moment) {
    return moment.toLocalTime().date().toString(u"yyyy-MM-dd"_s);
}

QString StatsStore::monthKey(const QDateTime& moment) {
    return moment.toLocalTime().date().toString(u"yyyy-MM"_s);
}

void StatsStore::record(StatsEventType type, StatsEventSource source, const std::optional<QString>& sessionId,
                        const StatsPayload& payload, const QDateTime& at) {
    StatsEvent event;
    event.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    event.timestamp = at;
    event.dayKey = dayKey(at);
    event.monthKey = monthKey(at);
    event.type = type;
    event.source = source;
    event.sessionId = sessionId;
    event.payload = payload;
    event.appVersion = m_appVersion;
    const QByteArray line = event.toJson() + '\n';
    const QByteArray path = QFile::encodeName(monthPath(event.monthKey));

    std::lock_guard lock(m_appendMutex);
    constexpr int flags = O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC;
    int fd = ::open(path.constData(), flags, 0600);
    if (fd < 0 && errno == ENOENT && ensureDirectories())
        fd = ::open(path.constData(), flags, 0600);
    if (fd < 0) {
        Log::line(u"Tovi Stats: failed to record event: "_s + errnoText());
        return;
    }
    const bool ok = appendLine(fd, line);
    const QString writeError = ok ? QString() : errnoText();
    if (::close(fd) != 0 && ok) {
        Log::line(u"Tovi Stats: failed to record event: "_s + errnoText());
        return;
    }
    if (!ok)
        Log::line(u"Tovi Stats: failed to record event: "_s + writeError);
}

QList<StatsEvent> StatsStore::readMonth(const QString& monthKey) const {
    QList<StatsEvent> events;
    QFile file(monthPath(monthKey));
    if (!file.open(QIODevice::ReadOnly))
        return events;
    const QByteArray text = file.readAll();
    // Event lines run to about 250 bytes; reserving spares the list its regrowth.
    events.reserve(text.size() / 200);
    StatsEventReader reader;
    forEachLine(text, [&events, &reader](QByteArrayView line) {
        if (auto event = reader.decode(line))
            events.append(std::move(*event));
    });
    return events;
}

QStringList StatsStore::monthKeys(const QDateTime& start, const QDateTime& end) {
    QStringList keys;
    if (!start.isValid() || !end.isValid())
        return keys;
    const QDateTime last = std::max(end.addSecs(-1), start);
    const QDate first = start.toLocalTime().date();
    const QDate lastDate = last.toLocalTime().date();
    QDate cursor(first.year(), first.month(), 1);
    const QDate lastMonth(lastDate.year(), lastDate.month(), 1);
    while (cursor.isValid() && cursor <= lastMonth) {
        keys.append(cursor.toString(u"yyyy-MM"_s));
        cursor = cursor.addMonths(1);
    }
    return keys;
}

QList<StatsEvent> StatsStore::events(const QDateTime& start, const QDateTime& end) const {
    QList<StatsEvent> result;
    // Local-time QDateTimes convert on every comparison; compare plain numbers.
    const qint64 from = start.toMSecsSinceEpoch();
    const qint64 to = end.toMSecsSinceEpoch();
    for (const QString& key : monthKeys(start, end)) {
        QList<StatsEvent> month = readMonth(key);
        month.removeIf([from, to](const StatsEvent& e) {
            const qint64 t = e.timestamp.toMSecsSinceEpoch();
            return t < from || t >= to;
        });
        if (result.isEmpty())
            result = std::move(month);
        else
            result.append(std::move(month));
    }
    return result;
}

QList<StatsReportEvent> StatsStore::reportEvents(const QDateTime& start, const QDateTime& end) const {
    QList<StatsReportEvent> result;
    const qint64 from = start.toMSecsSinceEpoch();
    const qint64 to = end.toMSecsSinceEpoch();
    StatsEventReader reader;
    for (const QString& key : monthKeys(start, end)) {
        QFile file(monthPath(key));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = file.readAll();
        // In a month the interval covers only in part, the timestamp alone rules
        // most lines out; a line stamped out of order is found all the same.
        const QDate first = QDate::fromString(key + u"-01"_s, u"yyyy-MM-dd"_s);
        const bool wholeMonth =
            first.startOfDay(Qt::LocalTime) >= start && first.addMonths(1).startOfDay(Qt::LocalTime) <= end;
        result.reserve(result.size() + (wholeMonth ? text.size() / 200 : 0));
        forEachLine(text, [&](QByteArrayView line) {
            if (!wholeMonth && !StatsEventReader::mayFallWithin(line, from, to))
                return;
            if (auto event = reader.decodeForReport(line); event && event->msecs >= from && event->msecs < to)
                result.append(std::move(*event));
        });
    }
    return result;
}

bool StatsStore::hasEvents(const QDateTime& on) const {
    // startOfDay: a day that begins in a daylight-saving gap starts at its first valid moment.
    const QDate day = on.toLocalTime().date();
    const QDateTime start = day.startOfDay(Qt::LocalTime);
    const QDateTime end = day.addDays(1).startOfDay(Qt::LocalTime);
    if (!start.isValid() || !end.isValid())
        return false;
    return !reportEvents(start, end).isEmpty();
}

StatsMeta StatsStore::loadMeta() const {
    StatsMeta meta;
    QFile file(m_meta);
    if (!file.open(QIODevice::ReadOnly))
        return meta;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    const QJsonValue day = document.object().value("lastDailyReportPromptDay"_L1);
    if (day.isString())
        meta.lastDailyReportPromptDay = day.toString();
    return meta;
}

void StatsStore::saveMeta(const StatsMeta& meta) {
    ensureDirectories();
    QJsonObject o;
    if (meta.lastDailyReportPromptDay)
        o.insert(u"lastDailyReportPromptDay"_s, *meta.lastDailyReportPromptDay);
    QSaveFile file(m_meta);
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                    file.write(QJsonDocument(o).toJson(QJsonDocument::Compact)) >= 0 && file.commit();
    if (!ok)
        Log::line(u"Tovi Stats: failed to save meta: "_s + file.errorString());
}
