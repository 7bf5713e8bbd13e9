#include "FakeScreens.h"
#include "TestEnvironment.h"
#include "platform/Defaults.h"
#include "rest/RestOverlay.h"
#include "rest/RestView.h"
#include "rest/RestWindow.h"

#include <QKeyEvent>
#include <QPointer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
struct Rig {
    Rig()
        : defaults(TestEnvironment::freshDirectory(u"overlay"_s) + u"/Tovi.conf"_s)
        , themes(defaults)
        , overlay(&screens, [this] {
            return new RestView(
                20, [] { return 20; }, QString(), nullptr, themes);
        }) {}
    // Runs what the overlay queued, the deferred deletes included.
    static void settle() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void expectShowing(qsizetype windows) {
        QCOMPARE(overlay.windows().size(), windows);
        for (qsizetype i = 0; i < windows; ++i) {
            RestWindow* w = overlay.windows().at(i);
            QVERIFY(w->isVisible() && w->contentView() && w->contentView()->isVisible());
            QCOMPARE(w->screenInfo().geometry, screens.screens().at(i).geometry);
        }
    }

    FakeScreens screens;
    Defaults defaults;
    ThemeSetting themes;
    RestOverlay overlay;
};

// Counts the key presses that reach it.
struct KeyCounter : QObject {
    int keys = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        keys += e->type() == QEvent::KeyPress;
        return false;
    }
};
} // namespace

class TestRestOverlay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowsAreReusedWhileTheScreenCountHolds_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("no screen, then two: made") << 0 << 2;
        QTest::newRow("two, then two elsewhere: the same windows move") << 2 << 2;
        QTest::newRow("two, then three: made anew") << 2 << 3;
        QTest::newRow("three, then none: let go") << 3 << 0;
    }
    void windowsAreReusedWhileTheScreenCountHolds() {
        QFETCH(int, before);
        QFETCH(int, after);
        Rig r;
        r.screens.setSideBySide(before);
        r.overlay.show();
        r.expectShowing(before);
        const QList<QPointer<RestWindow>> first(r.overlay.windows().begin(), r.overlay.windows().end());
        r.overlay.hide();
        Rig::settle();
        // Between rests nothing of a rest's size stays: no view, no surface.
        for (RestWindow* w : r.overlay.windows())
            QVERIFY(!w->isVisible() && !w->contentView() && !w->windowHandle());

        // Between rests the screens also move and grow; kept windows must follow.
        r.screens.setSideBySide(after);
        QList<ScreenInfo> moved = r.screens.screens();
        for (ScreenInfo& s : moved)
            s.geometry.adjust(0, 200, 640, 560);
        r.screens.set(moved);
        r.overlay.show();
        r.expectShowing(after);
        for (const QPointer<RestWindow>& w : first)
            QCOMPARE(bool(w), before == after);
    }

    void screensComingAndGoingDuringARest() {
        Rig r;
        r.screens.setSideBySide(3);
        r.overlay.show();
        QPointer<RestWindow> first = r.overlay.windows().at(0);
        QPointer<RestWindow> second = r.overlay.windows().at(1);
        second->contentView()->hold().mouseDown();
        // The first screen goes; the others keep their windows and the hold.
        r.screens.set(r.screens.screens().mid(1));
        Rig::settle();
        QVERIFY(!first);
        QCOMPARE(r.overlay.windows().at(0), second.data());
        QVERIFY(second->contentView()->hold().isPressing());
        r.expectShowing(2);
        r.screens.setSideBySide(3);
        Rig::settle();
        r.expectShowing(3);
        // The window manager cannot close a rest.
        QVERIFY(!second->close() && second->isVisible());
        r.overlay.hide();
        // Screens changing between rests move nothing.
        r.screens.setSideBySide(1);
        Rig::settle();
        QCOMPARE(r.overlay.windows().size(), 3);
    }

    // Space belongs to the hold while a rest shows, whichever window has the
    // keyboard, and holds on every screen; the mouse holds on its own.
    void spaceHoldsOnEveryScreen() {
        Rig r;
        r.screens.setSideBySide(2);
        r.overlay.show();
        RestView* a = r.overlay.windows().at(0)->contentView();
        RestView* b = r.overlay.windows().at(1)->contentView();
        b->hold().mouseDown();
        QVERIFY(b->hold().isPressing() && !a->hold().isPressing());
        b->hold().mouseUp();
        QWidget other;
        KeyCounter counter;
        other.installEventFilter(&counter);
        const auto key = [&other](QEvent::Type type, Qt::Key key) {
            QKeyEvent event(type, key, Qt::NoModifier, key == Qt::Key_Space ? u" "_s : u"a"_s);
            QCoreApplication::sendEvent(&other, &event);
        };
        key(QEvent::KeyPress, Qt::Key_Space);
        key(QEvent::KeyPress, Qt::Key_A);
        QCOMPARE(counter.keys, 1);
        QVERIFY(a->hold().isPressing() && b->hold().isPressing());
        for (int i = 1; i <= 31; ++i)
            a->hold().tick(i * SkipHold::tickSeconds);
        // One line on both screens, even once the other screen's hold gets there too.
        QVERIFY(a->skipFeedbackText());
        QCOMPARE(b->skipFeedbackText(), a->skipFeedbackText());
        for (int i = 1; i <= 31; ++i)
            b->hold().tick(i * SkipHold::tickSeconds);
        QCOMPARE(b->skipFeedbackText(), a->skipFeedbackText());
        // Between rests Space is everyone's again.
        r.overlay.hide();
        key(QEvent::KeyPress, Qt::Key_Space);
        QCOMPARE(counter.keys, 2);
    }
};

QTEST_MAIN(TestRestOverlay)
#include "TestRestOverlay.moc"
