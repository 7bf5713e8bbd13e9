#include "E2eHarness.h"

#include <QJsonDocument>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

// `tovi VERB` as a user types it, against the tray program running in the desktop.
class TestCommandLineProcess : public QObject {
    Q_OBJECT
private:
    VirtualDesktop m_desktop{false};

    static CommandResult command(const ToviProcess& tovi, const QString& arguments) {
        return runCommand(toviBinary(), arguments.split(u' '), tovi.environment());
    }
    static QString state(const ToviProcess& tovi) {
        const CommandResult status = command(tovi, u"status --json"_s);
        return QJsonDocument::fromJson(status.output.toUtf8()).object().value("state"_L1).toString();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_desktop.isRunning(), qPrintable(m_desktop.error())); }

    void withNoToviRunningEachVerbSaysSo() {
        ToviProcess none(m_desktop, e2eHome(u"cli-none"_s));
        for (const QString& verb : {u"status"_s, u"status --json"_s, u"rest"_s, u"skip"_s, u"pause 30m"_s,
                                    u"resume"_s, u"report day"_s}) {
            const CommandResult result = command(none, verb);
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.output.contains(u"Tovi 没有在运行"_s), qPrintable(verb + result.output));
        }
        // The export needs neither Tovi nor a display.
        QProcessEnvironment headless = none.environment();
        headless.remove(u"DISPLAY"_s);
        const CommandResult exported = runCommand(toviBinary(), {u"export"_s, u"--csv"_s}, headless);
        QCOMPARE(exported.exitCode, 0);
        QVERIFY(exported.output.startsWith(u"id,timestamp,"_s));
    }

    void eachVerbDrivesTheRunningTovi() {
        ToviProcess tovi(m_desktop, e2eHome(u"cli"_s));
        QVERIFY(tovi.start());
        E2E_WAIT(state(tovi) == "working"_L1, 10000);
        const CommandResult line = command(tovi, u"status"_s);
        QCOMPARE(line.exitCode, 0);
        QVERIFY2(line.output.startsWith(u"工作中，"_s), qPrintable(line.output));

        QCOMPARE(command(tovi, u"rest"_s).exitCode, 0);
        E2E_WAIT_COMPARE(tovi.events(u"rest_started"_s).size(), 1, 10000);
        QCOMPARE(tovi.events(u"rest_started"_s).first().value("source"_L1).toString(), u"manual"_s);
        QCOMPARE(state(tovi), u"resting"_s);
        QCOMPARE(command(tovi, u"skip"_s).exitCode, 0);
        E2E_WAIT_COMPARE(tovi.events(u"rest_skipped"_s).size(), 1, 10000);
        E2E_WAIT(state(tovi) == "working"_L1, 5000);
        QCOMPARE(command(tovi, u"skip"_s).exitCode, 1);

        QCOMPARE(command(tovi, u"pause 30m"_s).exitCode, 0);
        QCOMPARE(state(tovi), u"paused"_s);
        QCOMPARE(command(tovi, u"pause 2d"_s).exitCode, 2);
        QCOMPARE(command(tovi, u"resume"_s).exitCode, 0);
        QCOMPARE(state(tovi), u"working"_s);

        QCOMPARE(command(tovi, u"report week"_s).exitCode, 0);
        E2E_WAIT(!m_desktop.xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Tovi 身体维护周报$"_s})
                      .output.trimmed()
                      .isEmpty(),
                 10000);
        m_desktop.screenshot(u"cli-week-report"_s);

        const CommandResult exported = command(tovi, u"export --csv"_s);
        QCOMPARE(exported.exitCode, 0);
        QVERIFY(exported.output.contains(u",rest_started,manual,"_s));
        QVERIFY(tovi.endsCleanlyOn(SIGTERM));
    }
};

QTEST_MAIN(TestCommandLineProcess)
#include "TestCommandLineProcess.moc"
