#include "E2eHarness.h"

#include <QImage>
#include <QStandardPaths>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

// A Wayland session: headless sway with two outputs, Tovi through XWayland.
class TestWaylandRest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // sway tiles every new window onto the focused output, whatever frame it
    // asks for: the rest must still cover both outputs, above everything.
    void aRestCoversBothOutputs() {
        VirtualDesktop desktop(false, VirtualDesktop::Session::wayland);
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        ToviProcess tovi(desktop, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                      u"/homes/wayland"_s);
        tovi.seedSettings({u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=3"_s,
                           u"customRestModeRestDuration=6"_s});
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_started"_s).size(), 1, 15000);

        // The backdrop's dark blue-grey in every corner of both outputs; sway's
        // own background is a flat grey.
        const auto covered = [&desktop] {
            const QImage shot(desktop.screenshot(u"wayland-rest"_s));
            for (const QPoint p : {QPoint(5, 5), QPoint(1915, 1075), QPoint(1925, 5), QPoint(3835, 1075)}) {
                const QRgb c = shot.pixel(p);
                if (!(qBlue(c) > qRed(c) && qRed(c) < 60 && qGreen(c) < 60))
                    return false;
            }
            return true;
        };
        E2E_WAIT(covered(), 5000);
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_completed"_s).size(), 1, 15000);
        tovi.sendSignal(SIGTERM);
        QVERIFY(tovi.waitForExit());
        QCOMPARE(tovi.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWaylandRest)
#include "TestWaylandRest.moc"
