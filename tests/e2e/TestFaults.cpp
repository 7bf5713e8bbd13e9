#include "E2eHarness.h"
#include "stats/StatsEvent.h"

#include <QDir>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>
#include <csignal>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The real binary while its surroundings fail: it keeps running, and what it
// has written stays whole.
class TestFaults : public QObject {
    Q_OBJECT
private:
    VirtualDesktop m_desktop;

    static qsizetype undecodable(const ToviProcess& tovi) {
        const QList<QByteArray> lines = tovi.eventLines();
        return std::count_if(lines.begin(), lines.end(),
                             [](const QByteArray& line) { return !StatsEvent::fromJson(line); });
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_desktop.isRunning(), qPrintable(m_desktop.error())); }

    void aFullDiskCostsOnlyTheEventsItRefused() {
        if (::geteuid() != 0)
            QSKIP("mounting a small tmpfs needs root");
        ToviProcess tovi(m_desktop, e2eHome(u"full"_s));
        const QByteArray data = QFile::encodeName(tovi.environment().value(u"XDG_DATA_HOME"_s));
        QCOMPARE(::mount("tmpfs", data.constData(), "tmpfs", 0, "size=256k,mode=0700"), 0);
        const auto unmount = qScopeGuard([&] { ::umount2(data.constData(), MNT_DETACH); });
        tovi.seedSettings(customRest(1, 1)); // an event about every second
        QVERIFY(tovi.start());
        E2E_WAIT(tovi.events(u"rest_started"_s).size() >= 1, 10000);

        const QString filler = QFile::decodeName(data) + u"/filler"_s;
        runCommand(u"dd"_s, {u"if=/dev/zero"_s, u"of="_s + filler, u"bs=1k"_s}, tovi.environment());
        // The month file's last page still takes a few lines before writes fail.
        E2E_WAIT(!tovi.logLines().filter(u"Tovi Stats: failed to record event: "_s).isEmpty(), 40000);
        QVERIFY(tovi.isRunning());
        QCOMPARE(undecodable(tovi), 0);

        QVERIFY(QFile::remove(filler));
        const qsizetype before = tovi.eventLines().size();
        E2E_WAIT(tovi.eventLines().size() >= before + 3, 10000);
        QCOMPARE(undecodable(tovi), 0);
        QVERIFY(tovi.isRunning() && tovi.endsCleanlyOn(SIGTERM));
    }

    void aKillMidBurstLeavesWholeLinesAndTheNextStartAFreshOne() {
        ToviProcess tovi(m_desktop, e2eHome(u"killed"_s));
        tovi.seedSettings(customRest(1, 1)); // an event about every second
        for (int round = 1; round <= 4; ++round) {
            QVERIFY(tovi.start());
            const qsizetype before = tovi.eventLines().size();
            E2E_WAIT(tovi.eventLines().size() >= before + 3, 10000);
            QTest::qWait(int(QRandomGenerator::global()->bounded(1000)));
            tovi.sendSignal(SIGKILL);
            QVERIFY(tovi.waitForExit());
            QCOMPARE(undecodable(tovi), 0);
        }

        // A line cut off mid-write, as a kill inside write() would leave it.
        const QDir events(tovi.eventsDirectory());
        QFile month(events.filePath(events.entryList({u"*.jsonl"_s}, QDir::Files, QDir::Name).constLast()));
        QVERIFY(month.open(QIODevice::Append));
        month.write(tovi.eventLines().constLast().left(40));
        month.close();
        const qsizetype launches = tovi.events(u"app_launched"_s).size();
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(tovi.events(u"app_launched"_s).size(), launches + 1, 10000);
        QCOMPARE(undecodable(tovi), 1);
        QVERIFY(tovi.isRunning() && tovi.endsCleanlyOn(SIGTERM));
    }

    void randomBytesForSettings_data() {
        QTest::addColumn<bool>("whileRunning");
        QTest::newRow("written while Tovi is stopped") << false;
        QTest::newRow("written while Tovi runs, then the menu opened") << true;
    }
    void randomBytesForSettings() {
        QFETCH(bool, whileRunning);
        ToviProcess tovi(m_desktop, e2eHome(whileRunning ? u"noise-running"_s : u"noise-stopped"_s));
        QByteArray noise(8192, Qt::Uninitialized);
        QRandomGenerator(whileRunning ? 17 : 42).fillRange(reinterpret_cast<quint32*>(noise.data()), 2048);
        const auto writeNoise = [&] {
            tovi.seedSettings({});
            QFile file(tovi.settingsPath());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(noise);
        };
        if (!whileRunning)
            writeNoise();
        QVERIFY(tovi.start());
        E2E_WAIT(m_desktop.trayIconShown(), 10000);
        if (whileRunning)
            writeNoise();
        QVERIFY(m_desktop.openTrayMenu(u"menu-after-noise"_s));
        m_desktop.xdotool({u"key"_s, u"Escape"_s});
        QVERIFY(tovi.isRunning() && tovi.endsCleanlyOn(SIGTERM));
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "TestFaults.moc"
