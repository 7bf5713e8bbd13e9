#include "platform/Log.h"
#include "platform/WorkspaceEvents.h"

#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// Runs under a private session bus, which stands in for the system bus too:
// the sender owns logind's name there, so that its end of a sleep can mark
// the end of each case without waiting on the clock.
class TestWorkspaceEvents : public QObject {
    Q_OBJECT
private:
    static QDBusConnection sender() {
        return QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                             u"screen-saver-sender"_s);
    }
    static void send(const QString& path, const QString& interface, const QString& member, bool value) {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, member);
        signal << value;
        QVERIFY(sender().send(signal));
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(sender().registerService(u"org.freedesktop.login1"_s)); }

    void theScreenSaverEndingIsAScreensWake_data() {
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("active");
        QTest::addColumn<int>("wakes");
        QTest::addColumn<int>("locks");
        const QString freedesktop = u"org.freedesktop.ScreenSaver"_s;
        QTest::newRow("ended, freedesktop path")
            << freedesktop << u"/org/freedesktop/ScreenSaver"_s << false << 1 << 0;
        QTest::newRow("ended, short path") << freedesktop << u"/ScreenSaver"_s << false << 1 << 0;
        QTest::newRow("started is a lock, no wake")
            << freedesktop << u"/org/freedesktop/ScreenSaver"_s << true << 0 << 1;
        QTest::newRow("GNOME's ended")
            << u"org.gnome.ScreenSaver"_s << u"/org/gnome/ScreenSaver"_s << false << 1 << 0;
        QTest::newRow("Xfce's ended")
            << u"org.xfce.ScreenSaver"_s << u"/org/xfce/ScreenSaver"_s << false << 1 << 0;
        QTest::newRow("MATE's ended")
            << u"org.mate.ScreenSaver"_s << u"/org/mate/ScreenSaver"_s << false << 1 << 0;
        QTest::newRow("Cinnamon's ended")
            << u"org.cinnamon.ScreenSaver"_s << u"/org/cinnamon/ScreenSaver"_s << false << 1 << 0;
        QTest::newRow("an unrelated ActiveChanged is no wake")
            << u"org.example.Player"_s << u"/org/example/Player"_s << false << 0 << 0;
    }
    void theScreenSaverEndingIsAScreensWake() {
        QFETCH(QString, interface);
        QFETCH(QString, path);
        QFETCH(bool, active);
        QFETCH(int, wakes);
        QFETCH(int, locks);
        QStringList log;
        Log::setCapture(&log);
        DBusWorkspaceEvents events(QDBusConnection::sessionBus(), QDBusConnection::sessionBus());
        QSignalSpy screens(&events, &WorkspaceEvents::screensDidWake);
        QSignalSpy wake(&events, &WorkspaceEvents::didWake);
        QSignalSpy lock(&events, &WorkspaceEvents::screensDidLock);
        QSignalSpy sleep(&events, &WorkspaceEvents::willSleep);
        send(path, interface, u"ActiveChanged"_s, active);
        send(u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s, true);
        // One sender, one receiver: the bus keeps the order, so once the
        // sleep's end is heard the screen saver's signal has been too.
        send(u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s, false);
        QTRY_COMPARE(wake.size(), 1);
        QCOMPARE(screens.size(), wakes);
        QCOMPARE(lock.size(), locks);
        QCOMPARE(sleep.size(), 1);
        // No screen saver service is said once; its signals are heard all the same.
        QTRY_COMPARE(log.filter(u"屏保服务"_s).size(), 1);
        Log::setCapture(nullptr);
    }

    void withNoBusAtAllEachIsLoggedOnce() {
        QStringList log;
        Log::setCapture(&log);
        const QDBusConnection noBus =
            QDBusConnection::connectToBus(u"unix:path=/nonexistent/bus"_s, u"none2"_s);
        DBusWorkspaceEvents events(noBus, noBus);
        Log::setCapture(nullptr);
        QCOMPARE(log.size(), 2);
    }
};

QTEST_MAIN(TestWorkspaceEvents)
#include "TestWorkspaceEvents.moc"
