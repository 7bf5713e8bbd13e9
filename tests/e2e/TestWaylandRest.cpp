#include "E2eHarness.h"

#include <QImage>
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
        ToviProcess tovi(desktop, e2eHome(u"wayland"_s));
        tovi.seedSettings(customRest(3, 30));
        // A virtual keyboard that is there before the rest, as a real one is;
        // it holds Space once the rest has had time to begin.
        QProcess keyboard;
        keyboard.setProcessEnvironment(desktop.environment());
        keyboard.start(u"wtype"_s,
                       {u"-s"_s, u"10000"_s, u"-P"_s, u"space"_s, u"-s"_s, u"2500"_s, u"-p"_s, u"space"_s});
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(tovi.events(u"rest_started"_s).size(), 1, 15000);
        E2E_WAIT(backdropInEveryCorner(QImage(desktop.screenshot(u"wayland-rest"_s))), 5000);
        E2E_WAIT_COMPARE(tovi.events(u"rest_skipped"_s).size(), 1, 15000);
        keyboard.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestWaylandRest)
#include "TestWaylandRest.moc"
