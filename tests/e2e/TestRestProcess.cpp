#include "E2eHarness.h"

#include <QImage>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

class TestRestProcess : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<VirtualDesktop> m_desktop;

    // Frames of the visible full-screen windows Tovi shows.
    QList<QRect> restWindowFrames() const {
        QList<QRect> frames;
        for (const QString& id : m_desktop->visibleWindowsOfClass(u"tovi"_s)) {
            const QRect frame = m_desktop->windowGeometry(id);
            if (frame.width() >= 1920 && frame.height() >= 1080)
                frames.append(frame);
        }
        std::sort(frames.begin(), frames.end(), [](QRect a, QRect b) { return a.x() < b.x(); });
        return frames;
    }

    static QJsonObject payload(const QJsonObject& event) { return event.value("payload"_L1).toObject(); }
    static int count(const QStringList& lines, const QString& line) { return int(lines.count(line)); }

private Q_SLOTS:
    void initTestCase() {
        m_desktop = std::make_unique<VirtualDesktop>();
        QVERIFY2(m_desktop->isRunning(), qPrintable(m_desktop->error()));
    }
    void cleanupTestCase() { m_desktop.reset(); }

    void restsOnEveryScreenAndSkipsByHoldingSpace() {
        ToviProcess tovi(*m_desktop, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                         u"/homes/rest"_s);
        tovi.seedSettings({u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=6"_s,
                           u"customRestModeRestDuration=4"_s});
        QVERIFY(tovi.start());

        // The first rest covers both monitors, panels included.
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_started"_s).size(), 1, 15000);
        E2E_WAIT_COMPARE(restWindowFrames().size(), 2, 3000);
        QCOMPARE(restWindowFrames(), (QList<QRect>{{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}}));
        const QImage shot(m_desktop->screenshot(u"rest-two-monitors"_s));
        // The backdrop's dark blue-grey, where the panels are when no rest is on.
        for (const QPoint p : {QPoint(5, 5), QPoint(1915, 1075), QPoint(1925, 5), QPoint(3835, 1075)}) {
            const QRgb c = shot.pixel(p);
            QVERIFY2(qBlue(c) > qRed(c) && qRed(c) < 60 && qGreen(c) < 60,
                     qPrintable(QString::number(c, 16)));
        }

        // It ends by itself, recorded under the same session.
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_completed"_s).size(), 1, 10000);
        const QJsonObject started = tovi.eventsOfType(u"rest_started"_s).first();
        const QJsonObject completed = tovi.eventsOfType(u"rest_completed"_s).first();
        QCOMPARE(completed.value("sessionId"_L1), started.value("sessionId"_L1));
        QCOMPARE(payload(completed).value("plannedSeconds"_L1).toInt(), 4);
        QCOMPARE(payload(completed).value("actualSeconds"_L1).toInt(), 4);
        QCOMPARE(payload(completed).value("skippedSeconds"_L1).toInt(), 0);
        QCOMPARE(payload(completed).value("workDurationSeconds"_L1).toInt(), 6);
        QCOMPARE(payload(completed).value("theme"_L1).toString(), u"aurora"_s);
        E2E_WAIT_COMPARE(restWindowFrames().size(), 0, 3000);

        // The next one is skipped by holding Space.
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_started"_s).size(), 2, 10000);
        E2E_WAIT_COMPARE(restWindowFrames().size(), 2, 3000);
        m_desktop->xdotool({u"keydown"_s, u"space"_s});
        // Past the 1.5 s hold with room for a busy machine.
        QTest::qWait(2000);
        m_desktop->xdotool({u"keyup"_s, u"space"_s});
        m_desktop->screenshot(u"rest-skip-feedback"_s);
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_skipped"_s).size(), 1, 10000);
        const QJsonObject skipped = tovi.eventsOfType(u"rest_skipped"_s).first();
        QCOMPARE(skipped.value("sessionId"_L1),
                 tovi.eventsOfType(u"rest_started"_s).at(1).value("sessionId"_L1));
        QCOMPARE(payload(skipped).value("actualSeconds"_L1).toInt() +
                     payload(skipped).value("skippedSeconds"_L1).toInt(),
                 4);
        QCOMPARE(tovi.eventsOfType(u"rest_completed"_s).size(), 1);

        // A third monitor between rests (the work lasts 6 s so that it comes in
        // time on a busy machine): the windows are made anew, three of them.
        QCOMPARE(count(tovi.logLines(), u"Tovi: Recreating rest windows"_s), 1);
        QVERIFY(m_desktop->addMonitor());
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_started"_s).size(), 3, 10000);
        E2E_WAIT_COMPARE(restWindowFrames().size(), 3, 3000);
        QCOMPARE(restWindowFrames().last(), QRect(3840, 0, 1920, 1080));
        QCOMPARE(count(tovi.logLines(), u"Tovi: Recreating rest windows"_s), 2);
        m_desktop->screenshot(u"rest-three-monitors"_s);

        // And the monitor leaving mid-rest takes its window along: the line
        // is logged only while the rest is still on.
        QVERIFY(m_desktop->removeMonitor());
        E2E_WAIT(tovi.logLines().contains(u"Tovi: Screens changed during a rest, rearranging rest windows"_s),
                 3000);
        E2E_WAIT_COMPARE(restWindowFrames().size(), 2, 5000);
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_completed"_s).size(), 2, 10000);

        // Ctrl+Q during a rest, when the menu is out of reach, ends Tovi
        // and records nothing more.
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_started"_s).size(), 4, 10000);
        E2E_WAIT_COMPARE(restWindowFrames().size(), 2, 3000);
        m_desktop->xdotool({u"key"_s, u"ctrl+q"_s});
        QVERIFY(tovi.waitForExit());
        QCOMPARE(tovi.exitCode(), 0);
        QCOMPARE(tovi.eventsOfType(u"rest_completed"_s).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestRestProcess)
#include "TestRestProcess.moc"
