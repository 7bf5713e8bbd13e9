#include "rest/SkipHold.h"

#include <QSignalSpy>
#include <QTest>
#include <cmath>

using namespace Qt::StringLiterals;

// Steps, separated by spaces, each moving fake time as noted:
//   m+ m- s+ s-   mouse down, up, Space press, release; s+r s-r flagged as repeats by Qt
//   h             Space already down when the view came into sight
//   tN            N hold ticks on the 0.05 s grid the view's timer keeps
//   wN            N ms pass with no tick
class TestSkipHold : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void holds_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("pressing");
        QTest::addColumn<bool>("spacePressed");
        QTest::addColumn<bool>("completed");
        QTest::newRow("a mouse hold runs on through thirty ticks") << u"m+ t30"_s << true << false << false;
        QTest::newRow("and completes on the thirty-first") << u"m+ t31"_s << false << false << true;
        QTest::newRow("letting go early cancels") << u"m+ t28 m-"_s << false << false << false;
        QTest::newRow("nothing undoes a completed hold")
            << u"m+ t31 m- m+ s+ t40"_s << false << false << true;
        QTest::newRow("a Space hold completes the same way") << u"s+ t31"_s << false << false << true;
        QTest::newRow("even when a busy machine fires one late tick")
            << u"s+ w1500 t1"_s << false << false << true;
        QTest::newRow("repeats flagged by Qt change nothing, a first press flagged as one begins the hold")
            << u"s-r s+r t5 s-r s+r t26"_s << false << false << true;
        QTest::newRow("but not the repeats of a Space held over")
            << u"h s-r s+r t40"_s << false << false << false;
        QTest::newRow("until it is let go") << u"h s+r s- w50 t1 s+ t31"_s << false << false << true;
        QTest::newRow("a release followed by a press is the key repeating")
            << u"s+ t5 w10 s- w10 s+ t26"_s << false << false << true;
        QTest::newRow("a release that settles cancels") << u"s+ t5 w20 s- t2"_s << false << false << false;
        QTest::newRow("a release still settling at the last tick holds the skip")
            << u"s+ t30 w40 s- t1"_s << true << true << false;
        QTest::newRow("and skips when the press comes after it")
            << u"s+ t30 w40 s- t1 s+"_s << false << false << true;
        QTest::newRow("but not when the release settles") << u"s+ t30 w40 s- t2"_s << false << false << false;
        QTest::newRow("Space during a mouse hold starts nothing") << u"m+ t3 s+"_s << true << false << false;
        QTest::newRow("a click during a Space hold cancels it on release")
            << u"s+ t3 m+ m-"_s << false << true << false;
        QTest::newRow("and the repeating key does not restart it")
            << u"s+ t3 m+ m- s+r t3"_s << false << true << false;
        QTest::newRow("until Space is really let go")
            << u"s+ t3 m+ m- s- w50 t1"_s << false << false << false;
    }
    void holds() {
        QFETCH(QString, steps);
        QFETCH(bool, pressing);
        QFETCH(bool, spacePressed);
        QFETCH(bool, completed);
        SkipHold hold;
        QSignalSpy completions(&hold, &SkipHold::completed);
        double t = 0;
        for (const QString& step : steps.split(u' ')) {
            if (step == u'h')
                hold.spaceHeldOver();
            else if (step[0] == u'm')
                step[1] == u'+' ? hold.mouseDown() : hold.mouseUp();
            else if (step[0] == u's')
                step[1] == u'+' ? hold.spacePress(t, step.endsWith(u'r'))
                                : hold.spaceRelease(t, step.endsWith(u'r'));
            else if (step.startsWith(u'w'))
                t += step.mid(1).toDouble() / 1000;
            else
                for (int i = step.mid(1).toInt(); i > 0; --i)
                    hold.tick(t = (std::floor(t / SkipHold::tickSeconds + 1e-6) + 1) * SkipHold::tickSeconds);
        }
        QCOMPARE(hold.isPressing(), pressing);
        QCOMPARE(hold.isSpacePressed(), spacePressed);
        QCOMPARE(hold.isCompleted(), completed);
        QCOMPARE(completions.size(), completed ? 1 : 0);
        if (completed)
            QCOMPARE(hold.progress(), 1.0);
        else if (!pressing)
            QCOMPARE(hold.progress(), 0.0);
        QCOMPARE(hold.needsTicks(), pressing);
    }
};

QTEST_GUILESS_MAIN(TestSkipHold)
#include "TestSkipHold.moc"
