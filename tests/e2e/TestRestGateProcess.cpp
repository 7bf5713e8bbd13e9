#include "E2eHarness.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QRasterWindow>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cstdio>

using namespace Qt::StringLiterals;

// What keeps a rest from covering the screen, and time away, with the real
// desktop's sources: the window manager, dunst and the X server's idle counter.
class TestRestGateProcess : public QObject {
    Q_OBJECT
private:
    VirtualDesktop m_desktop;

    static QJsonObject status(const ToviProcess& tovi) {
        const CommandResult result = runCommand(toviBinary(), {u"status"_s, u"--json"_s}, tovi.environment());
        return QJsonDocument::fromJson(result.output.toUtf8()).object();
    }
    static qint64 started(const ToviProcess& tovi, QLatin1StringView key) {
        return tovi.events(u"rest_started"_s).last().value("payload"_L1).toObject().value(key).toInteger(-1);
    }
    // Holds a rest that falls due `waitingFor`, then lets it start once `release` has run.
    void deferred(const QString& name, const QString& waitingFor, const std::function<void()>& release) {
        ToviProcess tovi(m_desktop, e2eHome(name));
        tovi.seedSettings(customRest(4, 30));
        QVERIFY(tovi.start());
        E2E_WAIT(status(tovi).value("waitingFor"_L1) == waitingFor, 10000);
        QTest::qWait(3000);
        QVERIFY(tovi.events(u"rest_started"_s).isEmpty());
        QCOMPARE(status(tovi).value("state"_L1), u"working"_s);
        release();
        E2E_WAIT_COMPARE(tovi.events(u"rest_started"_s).size(), 1, 5000);
        QVERIFY(started(tovi, "waitedSeconds"_L1) >= 3);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_desktop.isRunning(), qPrintable(m_desktop.error())); }
    void cleanup() { m_desktop.dunstctl({u"set-paused"_s, u"false"_s}); }

    void aFullScreenWindowDefersTheRest() {
        QProcess film;
        film.setProcessEnvironment(m_desktop.environment());
        film.start(QCoreApplication::applicationFilePath(), {u"--full-screen-window"_s});
        QVERIFY(film.waitForReadyRead(10000));
        deferred(u"full-screen"_s, u"full-screen"_s, [&] { film.write("leave\n"); });
        film.kill();
        film.waitForFinished();
    }

    void dunstPausedDefersTheRest() {
        QCOMPARE(m_desktop.dunstctl({u"set-paused"_s, u"true"_s}).exitCode, 0);
        deferred(u"dunst-paused"_s, u"do-not-disturb"_s, [this] {
            m_desktop.dunstctl({u"set-paused"_s, u"false"_s});
        });
    }

    // Twelve seconds without input, with rests of ten: a rest taken away from the desk.
    void timeAwayIsARest() {
        ToviProcess tovi(m_desktop, e2eHome(u"away"_s));
        tovi.seedSettings(customRest(300, 10));
        m_desktop.setUserAtDesk(false);
        QVERIFY(tovi.start());
        QTest::qWait(12000);
        QVERIFY(tovi.events(u"rest_started"_s).isEmpty());
        m_desktop.setUserAtDesk(true);
        E2E_WAIT_COMPARE(tovi.events(u"rest_completed"_s).size(), 1, 5000);
        const QJsonObject completed = tovi.events(u"rest_completed"_s).first();
        QCOMPARE(completed.value("source"_L1), u"system"_s);
        const qint64 idle = completed.value("payload"_L1).toObject().value("idleSeconds"_L1).toInteger();
        QVERIFY2(idle >= 10 && idle < 20, qPrintable(QString::number(idle)));
        QCOMPARE(tovi.events(u"rest_started"_s).first().value("source"_L1), u"system"_s);
        QVERIFY(status(tovi).value("secondsToRest"_L1).toInteger() > 290);
    }

    void theHeadsUpPostponesTheRest() {
        ToviProcess tovi(m_desktop, e2eHome(u"heads-up"_s));
        tovi.seedSettings(customRest(33, 20));
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(m_desktop.notificationsShown(), 1, 10000);
        m_desktop.screenshot(u"rest-heads-up"_s);
        QFile pattern(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                      u"/desktop/pick-pattern"_s);
        QVERIFY(pattern.open(QIODevice::WriteOnly) && pattern.write("REST_POSTPONE") > 0);
        pattern.close();
        QCOMPARE(m_desktop.dunstctl({u"context"_s}).exitCode, 0);
        E2E_WAIT(status(tovi).value("secondsToRest"_L1).toInteger() > 300, 5000);
        QCOMPARE(m_desktop.notificationsShown(), 0);
        QVERIFY(tovi.events(u"rest_started"_s).isEmpty());
    }
};

// A film in the desktop: a full-screen window that takes the focus, and
// leaves full-screen at a line on its input.
int showFilm(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QRasterWindow film;
    film.showFullScreen();
    film.requestActivate();
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &film, [&] {
        input.setEnabled(false);
        film.showNormal();
    });
    QTimer::singleShot(500, [] {
        std::puts("shown");
        std::fflush(stdout);
    });
    return app.exec();
}

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--full-screen-window") == 0)
        return showFilm(argc, argv);
    QCoreApplication app(argc, argv);
    TestRestGateProcess test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestRestGateProcess.moc"
