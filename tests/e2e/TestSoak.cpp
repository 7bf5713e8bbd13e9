#include "E2eHarness.h"
#include "stats/StatsEvent.h"
#include "themes/RestTheme.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {
struct Sample {
    qint64 rssKiB = 0;
    qsizetype fds = 0;
    qsizetype threads = 0;
};

Sample sample(qint64 pid) {
    Sample s;
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                s.rssKiB = line.mid(6).trimmed().split(' ').first().toLongLong();
    s.fds = QDir(u"/proc/%1/fd"_s.arg(pid)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
    s.threads = QDir(u"/proc/%1/task"_s.arg(pid)).entryList(QDir::NoDotAndDotDot | QDir::Dirs).size();
    return s;
}

QString describe(const Sample& s) {
    return u"RSS %1 KiB, %2 fds, %3 threads"_s.arg(s.rssKiB).arg(s.fds).arg(s.threads);
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
        ToviProcess tovi(desktop, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                      u"/homes/soak"_s);
        // The reminders' day begins at launch, each due a minute later.
        tovi.seedSettings({u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=8"_s,
                           u"customRestModeRestDuration=5"_s, u"hydrationReminderIntervalMinutes=1"_s,
                           u"pelvicFloorReminderIntervalMinutes=1"_s});
        QVERIFY(tovi.start());
        const auto dunstctl = [&](const QString& command) {
            return runCommand(u"dunstctl"_s, command.split(u' '), desktop.environment());
        };

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
        // Taken a second into each work period, as a rest's windows come and go.
        Sample first, settled, last;
        qint64 sampleAt = -1;
        QElapsedTimer clock;
        clock.start();
        QElapsedTimer lastNotificationCheck;
        lastNotificationCheck.start();
        while (clock.elapsed() < totalMs && tovi.isRunning()) {
            if (clock.elapsed() >= (themeChanges + 1) * totalMs / 6) {
                ++themeChanges;
                QSettings(tovi.settingsPath(), QSettings::IniFormat)
                    .setValue(RestThemes::settingsKey,
                              RestThemes::rawValue(themes.at(themeChanges % themes.size())));
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
                    desktop.xdotool({u"keydown"_s, u"space"_s});
                    QTest::qWait(1700);
                    desktop.xdotool({u"keyup"_s, u"space"_s});
                    ++holds;
                }
            }
            if (lastNotificationCheck.elapsed() > 500) {
                lastNotificationCheck.restart();
                if (dunstctl(u"count displayed"_s).output.trimmed().toInt() > 0) {
                    // `context` presses the reminder's button; `close` is the user's dismissal.
                    const bool answer = (answered + dismissed) % 2 == 0;
                    if (dunstctl(answer ? u"context"_s : u"close"_s).exitCode == 0)
                        ++(answer ? answered : dismissed);
                    // One response per notification: wait until it is gone.
                    waitUntil([&] { return dunstctl(u"count displayed"_s).output.trimmed().toInt() == 0; },
                              3000);
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
        qInfo().noquote()
            << u"soak of %1 min: %2 event lines, %3 rests, %4 holds, %5 answered, %6 dismissed"_s.arg(minutes)
                   .arg(lines.size())
                   .arg(restsSeen)
                   .arg(holds)
                   .arg(answered)
                   .arg(dismissed);
        for (auto it = byType.cbegin(); it != byType.cend(); ++it)
            qInfo().noquote() << u"  %1: %2"_s.arg(it.key()).arg(it.value());
        qInfo().noquote() << u"  first:   "_s + describe(first);
        qInfo().noquote() << u"  settled: "_s + describe(settled);
        qInfo().noquote() << u"  end:     "_s + describe(last);

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
        QVERIFY2(last.rssKiB - settled.rssKiB < 2048, qPrintable(describe(last)));
        QVERIFY2(last.fds <= settled.fds, qPrintable(describe(last)));
        QVERIFY2(last.threads <= settled.threads, qPrintable(describe(last)));

        tovi.sendSignal(SIGTERM);
        QVERIFY(tovi.waitForExit());
        QCOMPARE(tovi.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSoak)
#include "TestSoak.moc"
