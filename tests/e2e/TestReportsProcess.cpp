#include "E2eHarness.h"
#include "stats/StatsStore.h"

#include <QElapsedTimer>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

// Yesterday's report offered after launch.
class TestReportsProcess : public QObject {
    Q_OBJECT
private:
    VirtualDesktop m_desktop{false};

    QStringList windowsNamed(const QString& title) const {
        return m_desktop.xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, u'^' + title + u'$'})
            .output.split(u'\n', Qt::SkipEmptyParts);
    }
    // The alert is the one window of Tovi besides its tray icon.
    int toviWindows() const { return int(m_desktop.visibleWindowsOfClass(u"tovi"_s).size()); }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_desktop.isRunning(), qPrintable(m_desktop.error())); }

    void yesterdaysReportIsOffered() {
        ToviProcess tovi(m_desktop, e2eHome(u"reports"_s));
        {
            StatsStore seed(tovi.home() + u"/data"_s);
            const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
            seed.record(StatsEventType::restCompleted, StatsEventSource::scheduled, u"S"_s,
                        {{u"actualSeconds"_s, 20}}, yesterday);
            seed.record(StatsEventType::hydrationSkipped, StatsEventSource::notification, std::nullopt, {},
                        yesterday.addSecs(60));
        }
        QVERIFY(tovi.start());
        E2E_WAIT(m_desktop.trayIconShown(), 10000);
        QElapsedTimer sinceIcon;
        sinceIcon.start();
        E2E_WAIT(toviWindows() >= 2, 10000);
        qInfo("the offer showed %lld ms after the tray icon", sinceIcon.elapsed());
        m_desktop.screenshot(u"yesterday-offer"_s);

        // Return answers with the first button, "查看日报".
        m_desktop.xdotool({u"key"_s, u"Return"_s});
        E2E_WAIT_COMPARE(windowsNamed(u"Tovi 身体维护日报"_s).size(), 1, 10000);
        QTest::qWait(500);
        m_desktop.screenshot(u"yesterday-report"_s);
        // That the offer comes once a day is the delegate's unit test; the menu's
        // week and month entries are the status menu's and the reports' unit tests.
        QVERIFY(tovi.endsCleanlyOn(SIGTERM));
    }
};

QTEST_MAIN(TestReportsProcess)
#include "TestReportsProcess.moc"
