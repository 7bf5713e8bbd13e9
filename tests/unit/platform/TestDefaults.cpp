#include "TestEnvironment.h"
#include "platform/Defaults.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;

using Write = std::function<void(Defaults&)>;
Q_DECLARE_METATYPE(Write)

class TestDefaults : public QObject {
    Q_OBJECT
private:
    QString m_path;

    void writeFile(const QByteArray& ini) {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
    }

private Q_SLOTS:
    // A new file name per case: QSettings caches a file by path, and two rows of
    // equal size written within one second would read the previous row's values.
    void init() {
        static int run = 0;
        m_path = TestEnvironment::freshDirectory(u"defaults"_s) + u"/Tovi-%1.conf"_s.arg(++run);
    }

    void handEditedValuesReadAsAbsent_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("hasInteger");
        QTest::addColumn<qint64>("integer");
        QTest::newRow("plain") << "45"_ba << true << qint64(45);
        QTest::newRow("negative") << "-3"_ba << true << qint64(-3);
        QTest::newRow("string") << "lots"_ba << false << qint64(0);
        QTest::newRow("fraction") << "4.5"_ba << false << qint64(0);
        QTest::newRow("hex") << "0x10"_ba << false << qint64(0);
        QTest::newRow("overflow") << "99999999999999999999"_ba << false << qint64(0);
        QTest::newRow("list") << "1, 2"_ba << false << qint64(0);
        QTest::newRow("empty") << ""_ba << false << qint64(0);
        QTest::newRow("a date without a time") << "2025-03-03"_ba << false << qint64(0);
    }

    void handEditedValuesReadAsAbsent() {
        QFETCH(QByteArray, stored);
        QFETCH(bool, hasInteger);
        QFETCH(qint64, integer);
        writeFile("[General]\nminutes=" + stored + "\nwhen=" + stored + "\n");
        Defaults defaults(m_path);
        defaults.registerDefaults({{u"minutes"_s, 60}});
        // A value that is not an integer falls back to the registered default.
        QCOMPARE(defaults.integer(u"minutes"_s, -1), hasInteger ? integer : 60);
        QVERIFY(!defaults.date(u"when"_s));
        QVERIFY(!defaults.boolean(u"when"_s));
    }

    void typedValuesRoundTrip() {
        const QDateTime moment(QDate(2025, 3, 1), QTime(8, 15, 30, 125), Qt::UTC);
        {
            Defaults defaults(m_path);
            defaults.setInteger(u"i"_s, std::numeric_limits<qint64>::min());
            defaults.setBoolean(u"b"_s, false);
            defaults.setReal(u"r"_s, 15.25);
            defaults.setString(u"s"_s, u"wallpaper, 壁纸"_s);
            defaults.setDate(u"d"_s, moment.toOffsetFromUtc(3600));
        }
        Defaults defaults(m_path);
        QCOMPARE(defaults.integer(u"i"_s), std::optional(std::numeric_limits<qint64>::min()));
        QCOMPARE(defaults.boolean(u"b"_s), std::optional(false));
        QCOMPARE(defaults.real(u"r"_s), std::optional(15.25));
        QCOMPARE(defaults.string(u"s"_s), std::optional(u"wallpaper, 壁纸"_s));
        QCOMPARE(defaults.date(u"d"_s), std::optional(moment));
        QVERIFY(!defaults.integer(u"missing"_s));

        QSettings raw(m_path, QSettings::IniFormat);
        QCOMPARE(raw.value(u"d"_s).toString(), u"2025-03-01T08:15:30.125Z"_s);
    }

    void datesNeedAZone() {
        writeFile(
            "[General]\nlocal=2025-03-01T08:15:30\nbad=2025-13-01T08:15:30Z\nok=2025-03-01T08:15:30Z\n");
        Defaults defaults(m_path);
        QVERIFY(!defaults.date(u"local"_s));
        QVERIFY(!defaults.date(u"bad"_s));
        QVERIFY(defaults.date(u"ok"_s));
    }

    void onlyChangesReachTheFile_data() {
        QTest::addColumn<Write>("write");
        QTest::addColumn<bool>("written");
        const QDateTime moment(QDate(2025, 3, 1), QTime(8, 0), Qt::UTC);
        QTest::newRow("the same integer is not written")
            << Write([](Defaults& d) { d.setInteger(u"i"_s, 0); }) << false;
        QTest::newRow("the same boolean is not written")
            << Write([](Defaults& d) { d.setBoolean(u"b"_s, true); }) << false;
        QTest::newRow("the same moment in another zone is not written")
            << Write([=](Defaults& d) { d.setDate(u"d"_s, moment.toOffsetFromUtc(3600)); }) << false;
        QTest::newRow("removing an absent key is not written")
            << Write([](Defaults& d) { d.remove(u"missing"_s); }) << false;
        QTest::newRow("a new integer is written")
            << Write([](Defaults& d) { d.setInteger(u"i"_s, 1); }) << true;
        QTest::newRow("removing a stored key is written")
            << Write([](Defaults& d) { d.remove(u"b"_s); }) << true;
    }

    // With the reminders off, the main timer refreshes the same values every
    // second; each write used to rename and fsync the settings file.
    void onlyChangesReachTheFile() {
        QFETCH(Write, write);
        QFETCH(bool, written);
        writeFile("[General]\ni=0\nb=true\nd=2025-03-01T08:00:00.000Z\n");
        Defaults defaults(m_path);
        QSignalSpy changed(&defaults, &Defaults::changed);
        QVERIFY(QFile::remove(m_path));
        write(defaults);
        defaults.sync();
        QCOMPARE(QFile::exists(m_path), written);
        QCOMPARE(changed.count(), written ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestDefaults)
#include "TestDefaults.moc"
