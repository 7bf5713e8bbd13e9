#include "FakeClock.h"
#include "TestEnvironment.h"
#include "platform/DesktopBusyState.h"
#include "platform/DesktopIdleWatch.h"
#include "platform/DesktopMotionPreference.h"
#include "platform/IdleSources.h"
#include "platform/Log.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gio/gio.h>

using namespace Qt::StringLiterals;

namespace {
// Answers each member (a property by its name) from one shared table, on its
// own thread: the code under test blocks the main thread while it asks.
// A member not in the table answers "not supported"; "hang" never answers.
QMap<QString, QVariant> answers;
QStringList calls;

class FakeService final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const bool get = message.member() == u"Get"_s;
        const QString key = get ? message.arguments().value(1).toString() : message.member();
        calls << key + u' ' + message.arguments().value(get ? 2 : 0).toString();
        const QVariant answer = answers.value(key);
        if (answer == u"hang"_s)
            return true;
        connection.send(!answers.contains(key) ? message.createErrorReply(QDBusError::NotSupported, key)
                        : !answer.isValid()    ? message.createReply()
                        : get ? message.createReply(QVariant::fromValue(QDBusVariant(answer)))
                              : message.createReply(answer));
        return true;
    }
};

const QString notifications = u"org.freedesktop.Notifications"_s;
const QString mutter = u"org.gnome.Mutter.IdleMonitor"_s;
const QString screenSaver = u"org.freedesktop.ScreenSaver"_s;
// Service, path: every fake the tests answer from.
const QList<QStringList> fakes = {
    {notifications, u"/org/freedesktop/Notifications"_s},
    {u"org.xfce.Xfconf"_s, u"/org/xfce/Xfconf"_s},
    {u"org.gnome.SessionManager"_s, u"/org/gnome/SessionManager"_s},
    {u"org.freedesktop.PowerManagement"_s, u"/org/freedesktop/PowerManagement/Inhibit"_s},
    {u"org.kde.Solid.PowerManagement"_s, u"/org/kde/Solid/PowerManagement/PolicyAgent"_s},
    {mutter, u"/org/gnome/Mutter/IdleMonitor/Core"_s},
    {screenSaver, u"/org/freedesktop/ScreenSaver"_s},
};

QDBusConnection fakeBus() {
    return QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), u"fakes"_s);
}

void sendSignal(const QString& path, const QString& interface, const QString& name,
                const QVariantList& args = {}) {
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
    signal.setArguments(args);
    QVERIFY(fakeBus().send(signal));
}

// Sets a GSettings key in the memory backend; false when the schema is not installed.
bool setGSetting(const char* schemaId, const char* key, bool value) {
    GSettingsSchema* schema =
        g_settings_schema_source_lookup(g_settings_schema_source_get_default(), schemaId, TRUE);
    if (!schema)
        return false;
    GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
    g_settings_set_boolean(settings, key, value);
    g_object_unref(settings);
    g_settings_schema_unref(schema);
    return true;
}
} // namespace

class TestDesktopSources : public QObject {
    Q_OBJECT
    QThread m_fakeThread;
    QList<FakeService*> m_fakes;

private Q_SLOTS:
    void initTestCase() {
        qputenv("GSETTINGS_BACKEND", "memory");
        m_fakeThread.start();
        for (const QStringList& fake : fakes) {
            auto* service = new FakeService;
            service->moveToThread(&m_fakeThread);
            m_fakes << service;
            QVERIFY(fakeBus().registerService(fake[0]));
            QVERIFY(fakeBus().registerVirtualObject(fake[1], service));
        }
    }
    void cleanupTestCase() {
        for (const QStringList& fake : fakes)
            fakeBus().unregisterObject(fake[1]);
        m_fakeThread.quit();
        m_fakeThread.wait();
        qDeleteAll(m_fakes);
    }
    void init() {
        answers.clear();
        calls.clear();
    }

    void busyTable_data() {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<int>("reason");
        // The signal after which it may answer otherwise: path, interface, name.
        QTest::addColumn<QStringList>("signal");
        const QStringList notificationProperties = {u"/org/freedesktop/Notifications"_s,
                                                    u"org.freedesktop.DBus.Properties"_s,
                                                    u"PropertiesChanged"_s};
        using enum BusyReason;
        QTest::newRow("KDE do-not-disturb")
            << u"Inhibited"_s << QVariant(true) << int(doNotDisturb) << notificationProperties;
        QTest::newRow("dunst paused")
            << u"paused"_s << QVariant(true) << int(doNotDisturb) << notificationProperties;
        QTest::newRow("dunst showing")
            << u"paused"_s << QVariant(false) << int(none) << notificationProperties;
        QTest::newRow("Xfce do-not-disturb")
            << u"GetProperty"_s << QVariant::fromValue(QDBusVariant(true)) << int(doNotDisturb)
            << QStringList{u"/org/xfce/Xfconf"_s, u"org.xfce.Xfconf"_s, u"PropertyChanged"_s};
        QTest::newRow("GNOME inhibitor") << u"IsInhibited"_s << QVariant(true) << int(inhibitor)
                                         << QStringList{u"/org/gnome/SessionManager"_s,
                                                        u"org.gnome.SessionManager"_s, u"InhibitorAdded"_s};
        QTest::newRow("freedesktop inhibitor")
            << u"HasInhibit"_s << QVariant(true) << int(inhibitor)
            << QStringList{u"/org/freedesktop/PowerManagement/Inhibit"_s,
                           u"org.freedesktop.PowerManagement.Inhibit"_s, u"HasInhibitChanged"_s};
        QTest::newRow("KDE screen saver inhibitor")
            << u"HasInhibition"_s << QVariant(true) << int(inhibitor)
            << QStringList{u"/org/kde/Solid/PowerManagement/PolicyAgent"_s,
                           u"org.kde.Solid.PowerManagement.PolicyAgent"_s, u"InhibitionsChanged"_s};
        QTest::newRow("a peer that never answers")
            << u"Inhibited"_s << QVariant(u"hang"_s) << int(none) << notificationProperties;
        QTest::newRow("GNOME banners off")
            << u"show-banners"_s << QVariant() << int(doNotDisturb) << QStringList();
    }
    void busyTable() {
        QFETCH(QString, member);
        QFETCH(QVariant, answer);
        QFETCH(int, reason);
        QFETCH(QStringList, signal);
        const bool banners = member == u"show-banners"_s;
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        if (banners && !setGSetting("org.gnome.desktop.notifications", "show-banners", false))
            QSKIP("org.gnome.desktop.notifications is not installed");
        answers[member] = answer;
        DesktopBusyState busy;
        QCOMPARE(int(busy.reason()), reason);
        QCOMPARE(busy.inhibited(), reason == int(BusyReason::inhibitor));
        QSignalSpy changed(&busy, &BusyState::changed);
        answers.remove(member);
        if (banners)
            setGSetting("org.gnome.desktop.notifications", "show-banners", true);
        else
            sendSignal(signal[0], signal[1], signal[2]);
        QTRY_VERIFY(!changed.isEmpty());
        QCOMPARE(busy.reason(), BusyReason::none);
        qunsetenv("XDG_CURRENT_DESKTOP");
        // GNOME's flag for idle, not for logging out or switching users.
        QVERIFY(member != u"IsInhibited"_s || calls.contains(u"IsInhibited 8"_s));
    }

    void idleSources() {
        FakeClock clock(localTime(2026, 3, 2, 9));
        QStringList log;
        Log::setCapture(&log);
        const auto rowOf = [](const QString& name, auto make) {
            return std::vector<DesktopIdleWatch::Row>{{name, true, true, make}};
        };
        // KDE on Wayland: the screen saver does not tell; no source at all is said once.
        DesktopIdleWatch kde(
            rowOf(u"saver"_s,
                  [](QObject* p) { return new ScreenSaverIdleSource(QDBusConnection::sessionBus(), p); }),
            true);
        QVERIFY(!kde.watch(20));
        QVERIFY(!kde.watch(30));
        QCOMPARE(log.filter(u"没有能告知空闲时间的来源"_s).size(), 1);

        // KDE on X11, read at deadlines: 5 s idle at the start, input 3 s before the last read.
        answers[u"GetSessionIdleTime"_s] = 5000u;
        QSignalSpy idled(&kde, &IdleWatch::idled);
        QSignalSpy resumed(&kde, &IdleWatch::resumed);
        QVERIFY(kde.watch(20));
        QCOMPARE(kde.sourceName(), u"saver"_s);
        answers[u"GetSessionIdleTime"_s] = 20000u;
        clock.advanceSeconds(15);
        QCOMPARE(idled.value(0).value(0).toLongLong(), 20);
        answers[u"GetSessionIdleTime"_s] = 3000u;
        clock.advanceSeconds(5);
        QCOMPARE(resumed.value(0).value(0).toLongLong(), 22);

        // GNOME: Mutter fires both watches; the return counts from the idle event.
        answers = {{u"GetIdletime"_s, quint64(26000)},
                   {u"AddIdleWatch"_s, 7u},
                   {u"AddUserActiveWatch"_s, 8u},
                   {u"RemoveWatch"_s, QVariant()}};
        DesktopIdleWatch gnome(
            rowOf(u"mutter"_s,
                  [](QObject* p) { return new MutterIdleSource(QDBusConnection::sessionBus(), p); }),
            false);
        QSignalSpy gnomeIdled(&gnome, &IdleWatch::idled);
        QSignalSpy gnomeResumed(&gnome, &IdleWatch::resumed);
        QVERIFY(gnome.watch(25));
        QVERIFY(calls.contains(u"AddIdleWatch 25000"_s));
        sendSignal(u"/org/gnome/Mutter/IdleMonitor/Core"_s, mutter, u"WatchFired"_s, {8u}); // not yet watched
        sendSignal(u"/org/gnome/Mutter/IdleMonitor/Core"_s, mutter, u"WatchFired"_s, {7u});
        QTRY_COMPARE(gnomeIdled.size(), 1);
        QCOMPARE(gnomeIdled[0][0].toLongLong(), 26);
        clock.advanceSeconds(40);
        sendSignal(u"/org/gnome/Mutter/IdleMonitor/Core"_s, mutter, u"WatchFired"_s, {8u});
        QTRY_COMPARE(gnomeResumed.size(), 1);
        QCOMPARE(gnomeResumed[0][0].toLongLong(), 66);
        QCOMPARE(gnomeIdled.size(), 1);
        gnome.stop();
        QVERIFY(calls.contains(u"RemoveWatch 7"_s));
        Log::setCapture(nullptr);
    }

    void motionPreference_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reduced");
        const QString kde = u"kdeglobals"_s;
        QTest::newRow("KDE without animations") << kde << u"[KDE]\nAnimationDurationFactor=0\n"_s << true;
        QTest::newRow("KDE slower animations") << kde << u"[KDE]\nAnimationDurationFactor=0.5\n"_s << false;
        QTest::newRow("KDE, another group") << kde << u"[General]\nAnimationDurationFactor=0\n"_s << false;
        QTest::newRow("KDE system-wide")
            << u"system/kdeglobals"_s << u"[KDE]\nAnimationDurationFactor=0\n"_s << true;
        QTest::newRow("GTK 3 off") << u"gtk-3.0/settings.ini"_s
                                   << u"[Settings]\ngtk-enable-animations=false\n"_s << true;
        QTest::newRow("GTK 4 off") << u"gtk-4.0/settings.ini"_s
                                   << u"[Settings]\ngtk-enable-animations = 0\n"_s << true;
        QTest::newRow("GTK on") << u"gtk-3.0/settings.ini"_s << u"[Settings]\ngtk-enable-animations=true\n"_s
                                << false;
        QTest::newRow("GNOME off") << QString() << QString() << true;
    }
    void motionPreference() {
        QFETCH(QString, file);
        QFETCH(QString, text);
        QFETCH(bool, reduced);
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", dir.filePath(u"user"_s).toUtf8());
        qputenv("XDG_CONFIG_DIRS", dir.filePath(u"system"_s).toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        DesktopMotionPreference motion;
        QVERIFY(!motion.reduced());
        if (file.isEmpty() && !setGSetting("org.gnome.desktop.interface", "enable-animations", false))
            QSKIP("org.gnome.desktop.interface is not installed");
        if (!file.isEmpty())
            QVERIFY(TestEnvironment::writeFile(
                dir.filePath(file.startsWith(u"system"_s) ? file : u"user/"_s + file), text.toUtf8()));
        QCOMPARE(motion.reduced(), reduced);
        // The user's own setting comes before the system's.
        TestEnvironment::writeFile(dir.filePath(u"user/kdeglobals"_s), "[KDE]\nAnimationDurationFactor=1\n");
        QCOMPARE(motion.reduced(), reduced && file != u"system/kdeglobals"_s && file != u"kdeglobals"_s);
        setGSetting("org.gnome.desktop.interface", "enable-animations", true);
    }
};

QTEST_MAIN(TestDesktopSources)
#include "TestDesktopSources.moc"
