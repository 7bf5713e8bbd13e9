#include "TestEnvironment.h"
#include "platform/Defaults.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

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
};

QTEST_GUILESS_MAIN(TestDefaults)
#include "TestDefaults.moc"
