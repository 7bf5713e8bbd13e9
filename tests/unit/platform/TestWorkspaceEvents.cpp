#include "platform/Log.h"
#include "platform/WorkspaceEvents.h"

#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// Runs under a private session bus.
class TestWorkspaceEvents : public QObject {
    Q_OBJECT
private:
    static void sendScreenSaver(const QString& path, bool active,
                                const QString& interface = u"org.freedesktop.ScreenSaver"_s) {
        QDBusConnection sender = QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), u"screen-saver-sender"_s);
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, u"ActiveChanged"_s);
        signal << active;
        QVERIFY(sender.send(signal));
    }

private Q_SLOTS:
    void theScreenSaverEndingIsAScreensWake_data() {
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("active");
        QTest::addColumn<int>("wakes");
        const QString freedesktop = u"org.freedesktop.ScreenSaver"_s;
        QTest::newRow("ended, freedesktop path")
            << freedesktop << u"/org/freedesktop/ScreenSaver"_s << false << 1;
        QTest::newRow("ended, short path") << freedesktop << u"/ScreenSaver"_s << false << 1;
        QTest::newRow("started is no wake") << freedesktop << u"/org/freedesktop/ScreenSaver"_s << true << 0;
        QTest::newRow("GNOME's ended")
            << u"org.gnome.ScreenSaver"_s << u"/org/gnome/ScreenSaver"_s << false << 1;
        QTest::newRow("Xfce's ended")
            << u"org.xfce.ScreenSaver"_s << u"/org/xfce/ScreenSaver"_s << false << 1;
        QTest::newRow("MATE's ended")
            << u"org.mate.ScreenSaver"_s << u"/org/mate/ScreenSaver"_s << false << 1;
        QTest::newRow("Cinnamon's ended")
            << u"org.cinnamon.ScreenSaver"_s << u"/org/cinnamon/ScreenSaver"_s << false << 1;
        QTest::newRow("an unrelated ActiveChanged is no wake")
            << u"org.example.Player"_s << u"/org/example/Player"_s << false << 0;
    }
    void theScreenSaverEndingIsAScreensWake() {
        QFETCH(QString, interface);
        QFETCH(QString, path);
        QFETCH(bool, active);
        QFETCH(int, wakes);
        QStringList log;
        Log::setCapture(&log);
        const QDBusConnection noBus =
            QDBusConnection::connectToBus(u"unix:path=/nonexistent/bus"_s, u"none"_s);
        DBusWorkspaceEvents events(noBus, QDBusConnection::sessionBus());
        QSignalSpy screens(&events, &WorkspaceEvents::screensDidWake);
        QSignalSpy wake(&events, &WorkspaceEvents::didWake);
        sendScreenSaver(path, active, interface);
        // A later "ended" proves the earlier signal, if any, has been delivered.
        sendScreenSaver(u"/org/freedesktop/ScreenSaver"_s, false);
        QTRY_VERIFY(screens.size() >= 1);
        QTest::qWait(200);
        QCOMPARE(screens.size(), wakes + 1);
        QCOMPARE(wake.size(), 0);
        // The missing system bus is said once, and so is the missing screen
        // saver service, whose signals are heard all the same.
        QTRY_COMPARE(log.size(), 2);
        Log::setCapture(nullptr);
        QVERIFY(log.first().startsWith(u"Tovi: "_s));
        QVERIFY(log.last().contains(u"屏保服务"_s));
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
