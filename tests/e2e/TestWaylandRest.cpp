#include "E2eHarness.h"

#include <QImage>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

// A Wayland session: headless sway with two outputs, Tovi through XWayland.
class TestWaylandRest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // sway tiles every new window onto the focused output, whatever frame it
    // asks for: the rest must still cover both outputs, above everything, and
    // hear Space held on the compositor's keyboard.
    void aRestCoversBothOutputsAndEndsByHoldingSpace() {
        VirtualDesktop desktop(false, VirtualDesktop::Session::wayland);
        QVERIFY2(desktop.isRunning(), qPrintable(desktop.error()));
        ToviProcess tovi(desktop, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                      u"/homes/wayland"_s);
        tovi.seedSettings({u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=3"_s,
                           u"customRestModeRestDuration=30"_s});
        // A virtual keyboard that is there before the rest, as a real one is;
        // it holds Space once the rest has had time to begin.
        QProcess keyboard;
        keyboard.setProcessEnvironment(desktop.environment());
        keyboard.start(u"wtype"_s,
                       {u"-s"_s, u"10000"_s, u"-P"_s, u"space"_s, u"-s"_s, u"2500"_s, u"-p"_s, u"space"_s});
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_started"_s).size(), 1, 15000);

        // The backdrop's dark blue-grey in every corner of both outputs; sway's
        // own background is a flat grey.
        const auto covered = [&desktop] {
            const QImage shot(desktop.screenshot(u"wayland-rest"_s));
            const QList<QPoint> corners{{5, 5}, {1915, 1075}, {1925, 5}, {3835, 1075}};
            return std::all_of(corners.begin(), corners.end(), [&shot](QPoint p) {
                return qBlue(shot.pixel(p)) > qRed(shot.pixel(p)) && qRed(shot.pixel(p)) < 60 &&
                       qGreen(shot.pixel(p)) < 60;
            });
        };
        E2E_WAIT(covered(), 5000);
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"rest_skipped"_s).size(), 1, 15000);
        keyboard.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestWaylandRest)
#include "TestWaylandRest.moc"
