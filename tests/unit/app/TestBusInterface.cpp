#include "AppFixture.h"
#include "app/BusInterface.h"
#include "app/Commands.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QString name = u"io.github.tovi.Tovi"_s;
const QString path = u"/io/github/tovi/Tovi"_s;

// A client on a connection of its own; the call runs the loop so that this process can answer.
QDBusMessage call(const QString& method, const QVariantList& arguments = {},
                  const QString& interface = name) {
    QDBusMessage message = QDBusMessage::createMethodCall(name, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"client"_s)
        .call(message, QDBus::BlockWithGui, 5000);
}
QVariant busProperty(const QString& property) {
    const QDBusMessage reply = call(u"Get"_s, {name, property}, u"org.freedesktop.DBus.Properties"_s);
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}
} // namespace

class TestBusInterface : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<AppFixture> f;
    std::unique_ptr<BusInterface> bus;
    QList<QVariantMap> changes;

private Q_SLOTS:
    void propertiesChanged(const QString&, const QVariantMap& changed, const QStringList&) {
        changes << changed;
    }

    void initTestCase() {
        QVERIFY(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"client"_s)
                    .connect(name, path, u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s, this,
                             SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
    }
    void init() {
        f = std::make_unique<AppFixture>();
        f->launch();
        bus = std::make_unique<BusInterface>(&f->app->commands());
        QVERIFY(bus->registerOn(QDBusConnection::sessionBus()));
        changes.clear();
    }
    void cleanup() {
        QDBusConnection::sessionBus().unregisterService(name);
        QDBusConnection::sessionBus().unregisterObject(path);
        bus.reset();
        f.reset();
    }

    void introspection() {
        const QString xml = call(u"Introspect"_s, {}, u"org.freedesktop.DBus.Introspectable"_s)
                                .arguments()
                                .value(0)
                                .toString();
        QVERIFY(xml.contains(u"<interface name=\"io.github.tovi.Tovi\">"_s));
        for (const QString& m : {u"Rest\">"_s, u"Skip\">"_s, u"Resume\">"_s,
                                 u"Pause\">\n      <arg name=\"seconds\" type=\"u\""_s,
                                 u"OpenReport\">\n      <arg name=\"scope\" type=\"s\""_s})
            QVERIFY2(xml.contains(u"<method name=\""_s + m), qPrintable(m));
        for (const QString& p :
             {u"State\" type=\"s"_s, u"SecondsToRest\" type=\"i"_s, u"NextRestAt\" type=\"x"_s,
              u"PausedUntil\" type=\"x"_s, u"ReminderDueAt\" type=\"a{sx}"_s, u"WaitingFor\" type=\"s"_s})
            QVERIFY2(xml.contains(u"<property name=\""_s + p + u"\" access=\"read\""_s), qPrintable(p));
    }

    // Calls in order; the last one's error (empty: none), then the state they leave.
    void methods_data() {
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("state");
        const QString invalid = u"org.freedesktop.DBus.Error.InvalidArgs"_s;
        QTest::newRow("Rest") << QStringList{u"Rest"_s} << QString() << u"resting"_s;
        QTest::newRow("Skip a rest") << QStringList{u"Rest"_s, u"Skip"_s} << QString() << u"working"_s;
        QTest::newRow("Skip without a rest")
            << QStringList{u"Skip"_s} << u"io.github.tovi.Tovi.Error.NotResting"_s << u"working"_s;
        QTest::newRow("Pause an hour") << QStringList{u"Pause 3600"_s} << QString() << u"paused"_s;
        QTest::newRow("Pause past 7 days") << QStringList{u"Pause 604801"_s} << invalid << u"working"_s;
        QTest::newRow("Pause, then a bad one keeps it")
            << QStringList{u"Pause 60"_s, u"Pause 0"_s} << invalid << u"paused"_s;
        QTest::newRow("Resume") << QStringList{u"Pause 60"_s, u"Resume"_s} << QString() << u"working"_s;
        QTest::newRow("Resume, not paused") << QStringList{u"Resume"_s} << QString() << u"working"_s;
        QTest::newRow("OpenReport week") << QStringList{u"OpenReport week"_s} << QString() << u"working"_s;
        QTest::newRow("OpenReport year") << QStringList{u"OpenReport year"_s} << invalid << u"working"_s;
    }
    void methods() {
        QFETCH(QStringList, calls);
        QFETCH(QString, error);
        QFETCH(QString, state);
        QDBusMessage reply;
        for (const QString& c : calls) {
            const QString argument = c.section(u' ', 1);
            QVariantList arguments;
            if (c.startsWith(u"Pause"_s))
                arguments << QVariant::fromValue(argument.toUInt());
            else if (!argument.isEmpty())
                arguments << argument;
            reply = call(c.section(u' ', 0, 0), arguments);
        }
        QCOMPARE(reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : QString(), error);
        QCOMPARE(reply.errorMessage().isEmpty(), error.isEmpty());
        QCOMPARE(busProperty(u"State"_s).toString(), state);
        const qint64 now = f->clock.now().toMSecsSinceEpoch();
        const qint64 paused = busProperty(u"PausedUntil"_s).toLongLong();
        QCOMPARE(paused != 0, state == u"paused"_s);
        QCOMPARE(f->defaults.contains(u"pausedUntil"_s), state == u"paused"_s);
        const QMap<QString, int> seconds{{u"working"_s, 1200}, {u"paused"_s, -1}, {u"resting"_s, 0}};
        QCOMPARE(busProperty(u"SecondsToRest"_s).toInt(), seconds.value(state));
        QCOMPARE(busProperty(u"NextRestAt"_s).toLongLong(), state == u"working"_s ? now + 1200'000 : 0);
        QCOMPARE(f->app->statsReportWindow() != nullptr, calls.contains(u"OpenReport week"_s));
        QCOMPARE(f->eventsOf(StatsEventType::restSkipped).size(),
                 calls.contains(u"Skip"_s) && error.isEmpty());
    }

    // Announced on change, not by the tick: a client counts down from NextRestAt.
    void propertiesChangeOnChangeOnly() {
        const QDBusArgument due = busProperty(u"ReminderDueAt"_s).value<QDBusArgument>();
        QMap<QString, qlonglong> moments;
        due >> moments;
        QCOMPARE(moments.value(u"hydration"_s), f->clock.now().addSecs(45 * 60).toMSecsSinceEpoch());
        for (int i = 0; i < 5; ++i) {
            f->clock.advanceSeconds(1);
            f->app->tick();
        }
        // A round trip after each: the signal, sent before the reply, has arrived by then.
        busProperty(u"State"_s);
        QVERIFY(changes.isEmpty());
        call(u"Pause"_s, {QVariant::fromValue(60u)});
        busProperty(u"State"_s);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.first().value(u"State"_s).toString(), u"paused"_s);
        QCOMPARE(changes.first().value(u"PausedUntil"_s).toLongLong(),
                 f->clock.now().addSecs(60).toMSecsSinceEpoch());
    }
};

QTEST_MAIN(TestBusInterface)
#include "TestBusInterface.moc"
