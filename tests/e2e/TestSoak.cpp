#include "E2eHarness.h"
#include "stats/StatsEvent.h"
#include "themes/RestTheme.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {
// Resident memory, open descriptors and threads of a process.
struct Sample {
    qint64 rssKiB = 0;
    qsizetype fds = 0;
    qsizetype threads = 0;
    QString describe() const { return u"RSS %1 KiB, %2 fds, %3 threads"_s.arg(rssKiB).arg(fds).arg(threads); }
};

Sample sample(qint64 pid) {
    const auto entries = [pid](const QString& dir) {
        return QDir(u"/proc/%1/"_s.arg(pid) + dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
    };
    Sample s{0, entries(u"fd"_s), entries(u"task"_s)};
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                s.rssKiB = line.mid(6).trimmed().split(' ').first().toLongLong();
    return s;
}
} // namespace

// An hour of use compressed: rests of 5 s after 8 s of work, every second one
// skipped by holding Space, the theme changed every ten minutes, and both
// reminders due every minute, answered and dismissed in turn. Afterwards
// nothing may be lost, undecodable or left behind. The periods are the
// shortest that allow both: a hold skips 2 s after it is complete, and a
// reminder held back by a rest comes 5 s after its end.
class TestSoak : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void anHourOfUse() {
        const int minutes = qEnvironmentVariableIsSet("TOVI_SOAK_MINUTES")
                                ? qEnvironmentVariableIntValue("TOVI_SOAK_MINUTES")
                                : 60;
        const qint64 totalMs = qint64(minutes) * 60'000;
        // The tenth minute of the hour; the same share of a shorter run.
        const qint64 settledMs = totalMs / 6;

        VirtualDesktop desktop;
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        ToviProcess tovi(desktop, e2eHome(u"soak"_s));
        // The reminders' day begins at launch, each due a minute later.
        tovi.seedSettings(customRest(8, 5) << u"hydrationReminderIntervalMinutes=1"_s
                                           << u"pelvicFloorReminderIntervalMinutes=1"_s);
        QVERIFY(tovi.start());

        // Rest starts and ends counted from the bytes appended since the last
        // look, so that the driver does not reread an hour of events ten times a second.
        qint64 readUpTo = 0;
        const auto newRestLines = [&](int& ends) {
            const QDir dir(tovi.eventsDirectory());
            const QStringList months = dir.entryList({u"*.jsonl"_s}, QDir::Files, QDir::Name);
            if (months.isEmpty())
                return 0;
            QFile file(dir.filePath(months.constLast()));
            if (!file.open(QIODevice::ReadOnly) || file.size() <= readUpTo)
                return 0;
            file.seek(readUpTo);
            const QByteArray added = file.readAll();
            const qsizetype complete = added.lastIndexOf('\n') + 1;
            readUpTo += complete;
            const QByteArray lines = added.left(complete);
            ends = int(lines.count("\"rest_completed\"") + lines.count("\"rest_skipped\""));
            return int(lines.count("\"rest_started\""));
        };

        const QList<RestTheme>& themes = RestThemes::allCases();
        int restsSeen = 0, holds = 0, answered = 0, dismissed = 0, themeChanges = 0;
        const auto showTheme = [&](int index) {
            QSettings(tovi.settingsPath(), QSettings::IniFormat)
                .setValue(RestThemes::settingsKey, RestThemes::rawValue(themes.at(index % themes.size())));
        };
        // Each theme for a while in the first minutes: what a theme sets up
        // on first use (the photo service's TLS library, the hero's artwork)
        // is not growth. Tovi rereads its settings when it next writes them,
        // at the latest at a reminder a minute later, hence 75 s each.
        const qint64 warmUpStepMs = std::min<qint64>(75'000, settledMs / (themes.size() + 1));
        int warmed = 0;
        // Taken a second into each work period, as a rest's windows come and go.
        Sample first, settled, last;
        qint64 sampleAt = -1;
        QElapsedTimer clock;
        clock.start();
        QElapsedTimer lastNotificationCheck;
        lastNotificationCheck.start();
        while (clock.elapsed() < totalMs && tovi.isRunning()) {
            if (warmed < themes.size() && clock.elapsed() >= (warmed + 1) * warmUpStepMs)
                showTheme(++warmed);
            if (clock.elapsed() >= (themeChanges + 1) * totalMs / 6) {
                ++themeChanges;
                showTheme(themeChanges);
                qInfo().noquote() << u"minute %1, %2"_s.arg(clock.elapsed() / 60'000).arg(last.describe());
            }
            if (sampleAt >= 0 && clock.elapsed() >= sampleAt) {
                sampleAt = -1;
                last = sample(tovi.pid());
                if (first.rssKiB == 0)
                    first = last;
                if (settled.rssKiB == 0 && clock.elapsed() >= settledMs)
                    settled = last;
            }
            int ended = 0;
            const int started = newRestLines(ended);
            if (ended > 0)
                sampleAt = clock.elapsed() + 1000;
            if (started > 0) {
                restsSeen += started;
                if (restsSeen % 2 == 0) {
                    // Past the 1.5 s hold; a rest that ends first is simply completed.
                    desktop.holdKey(u"space"_s, 1700);
                    ++holds;
                }
            }
            if (lastNotificationCheck.elapsed() > 500) {
                lastNotificationCheck.restart();
                if (desktop.notificationsShown() > 0) {
                    // `context` presses the reminder's button; `close` is the user's dismissal.
                    const bool answer = (answered + dismissed) % 2 == 0;
                    if (desktop.dunstctl({answer ? u"context"_s : u"close"_s}).exitCode == 0)
                        ++(answer ? answered : dismissed);
                    // One response per notification: wait until it is gone.
                    waitUntil([&] { return desktop.notificationsShown() == 0; }, 3000);
                }
            }
            QTest::qWait(100);
        }
        QVERIFY2(tovi.isRunning(), "Tovi ended during the soak");

        const QList<QByteArray> lines = tovi.eventLines();
        QHash<QString, int> byType;
        QHash<QString, int> openSessions;
        for (const QByteArray& line : lines) {
            const std::optional<StatsEvent> event = StatsEvent::fromJson(line);
            QVERIFY2(event, line.constData());
            ++byType[rawValue(event->type)];
            const QString session = event->sessionId.value_or(QString());
            if (event->type == StatsEventType::restStarted)
                ++openSessions[session];
            else if (event->type == StatsEventType::restCompleted ||
                     event->type == StatsEventType::restSkipped)
                QVERIFY2(openSessions.remove(session) == 1, "a rest ended that never started");
        }
        qInfo("soak of %d min: %lld event lines, %d rests, %d holds, %d answered, %d dismissed", minutes,
              qlonglong(lines.size()), restsSeen, holds, answered, dismissed);
        for (auto it = byType.cbegin(); it != byType.cend(); ++it)
            qInfo().noquote() << u"  %1: %2"_s.arg(it.key()).arg(it.value());
        qInfo().noquote() << u"  first: %1\n  settled: %2\n  end: %3"_s.arg(
            first.describe(), settled.describe(), last.describe());

        // One launch, every rest ended but the one on now, a response for each
        // of our actions and nothing else.
        QCOMPARE(byType.value(u"app_launched"_s), 1);
        QVERIFY(openSessions.size() <= 1);
        QVERIFY(byType.value(u"rest_skipped"_s) <= holds);
        QCOMPARE(byType.value(u"hydration_completed"_s) + byType.value(u"pelvic_completed"_s), answered);
        QCOMPARE(byType.value(u"hydration_skipped"_s) + byType.value(u"pelvic_skipped"_s), dismissed);
        QCOMPARE(lines.size(), 1 + 2 * byType.value(u"rest_started"_s) - openSessions.size() +
                                   byType.value(u"hydration_prompt_shown"_s) +
                                   byType.value(u"pelvic_prompt_shown"_s) + answered + dismissed);
        QVERIFY2(last.rssKiB - settled.rssKiB < 2048, qPrintable(last.describe()));
        QVERIFY2(last.fds <= settled.fds, qPrintable(last.describe()));
        QVERIFY2(last.threads <= settled.threads, qPrintable(last.describe()));

        QVERIFY(tovi.endsCleanlyOn(SIGTERM));
    }
};

QTEST_GUILESS_MAIN(TestSoak)
#include "TestSoak.moc"
