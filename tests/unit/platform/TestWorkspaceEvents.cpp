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
    static void sendScreenSaver(const QString& path, bool active) {
        QDBusConnection sender = QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), u"screen-saver-sender"_s);
        QDBusMessage signal =
            QDBusMessage::createSignal(path, u"org.freedesktop.ScreenSaver"_s, u"ActiveChanged"_s);
        signal << active;
        QVERIFY(sender.send(signal));
    }

private Q_SLOTS:
    void theScreenSaverEndingIsAScreensWake_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("active");
        QTest::addColumn<int>("wakes");
        QTest::newRow("ended, freedesktop path") << u"/org/freedesktop/ScreenSaver"_s << false << 1;
        QTest::newRow("ended, short path") << u"/ScreenSaver"_s << false << 1;
        QTest::newRow("started is no wake") << u"/org/freedesktop/ScreenSaver"_s << true << 0;
    }
    void theScreenSaverEndingIsAScreensWake() {
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
        sendScreenSaver(path, active);
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
