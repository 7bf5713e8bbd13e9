#include "TestEnvironment.h"
#include "platform/Defaults.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDefaults : public QObject {
    Q_OBJECT
private:
    QString m_path;

    void writeFile(const QByteArray& ini) { QVERIFY(TestEnvironment::writeFile(m_path, ini)); }

private Q_SLOTS:
    // A new file name per case: QSettings caches a file by path, and two rows of
    // equal size written within one second would read the previous row's values.
    void init() {
        static int run = 0;
        m_path = TestEnvironment::freshDirectory(u"defaults"_s) + u"/Tovi-%1.conf"_s.arg(++run);
    }

    // `integer`: what the integer read gives, empty: the registered default.
    void handEditedValuesReadAsAbsent_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("integer");
        QTest::addColumn<bool>("hasDate");
        QTest::newRow("a plain integer reads") << "45"_ba << u"45"_s << false;
        QTest::newRow("a negative integer reads") << "-3"_ba << u"-3"_s << false;
        for (const char* other : {"lots", "4.5", "0x10", "99999999999999999999", "1, 2", "", "2025-03-03",
                                  "2025-03-01T08:15:30", "2025-13-01T08:15:30Z"})
            QTest::addRow("\"%s\" is neither an integer nor a moment", other)
                << QByteArray(other) << QString() << false;
        QTest::newRow("a UTC moment reads") << "2025-03-01T08:15:30Z"_ba << QString() << true;
    }
    void handEditedValuesReadAsAbsent() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, integer);
        QFETCH(bool, hasDate);
        writeFile("[General]\nminutes=" + stored + "\nwhen=" + stored + "\n");
        Defaults defaults(m_path);
        defaults.registerDefaults({{u"minutes"_s, 60}});
        QCOMPARE(defaults.integer(u"minutes"_s, -1), integer.isEmpty() ? 60 : integer.toLongLong());
        QCOMPARE(defaults.date(u"when"_s).has_value(), hasDate);
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

        QVERIFY(TestEnvironment::readLines(m_path).contains(u"d=2025-03-01T08:15:30.125Z"_s));
    }

    // Files written by QSettings' own INI writer (earlier versions, hand
    // tools) read the same, and ours read back there, but a typed value is
    // only text: QSettings would decode a pixmap or a 19 GiB string from it.
    void textMatchesQSettingsIni_data() {
        QTest::addColumn<QString>("text");
        for (const QString& text :
             {u"aurora"_s, u"@starts with an at"_s, u" padded, with; = marks "_s,
              u"quote \" and back\\slash"_s, u"two\nlines\ttab\x01"_s, u"壁纸 🌿"_s, u"@Variant(\\0\\0)"_s})
            QTest::newRow(qPrintable(text)) << text;
    }
    void textMatchesQSettingsIni() {
        QFETCH(QString, text);
        QSettings(m_path, QSettings::IniFormat).setValue(u"group/key"_s, text);
        QCOMPARE(Defaults(m_path).string(u"group/key"_s), std::optional(text));
        init();
        Defaults(m_path).setString(u"key"_s, text);
        QCOMPARE(QSettings(m_path, QSettings::IniFormat).value(u"key"_s), QVariant(text));
    }
    void typedValuesAreText() {
        writeFile("[General]\nwhen=@DateTime(\\0\\0\\0\\x10\\0\\0\\0\\x7f\\xff\\xff\\xff)\n");
        Defaults defaults(m_path);
        QVERIFY(!defaults.date(u"when"_s));
        QCOMPARE(defaults.string(u"when"_s)->left(10), u"@DateTime("_s);
    }

    // With the reminders off, the main timer refreshes the same values every
    // second; each write used to rename and fsync the settings file.
    void onlyChangesReachTheFile() {
        writeFile("[General]\ni=0\nd=2025-03-01T08:00:00.000Z\n");
        Defaults defaults(m_path);
        QSignalSpy changed(&defaults, &Defaults::changed);
        QVERIFY(QFile::remove(m_path));
        defaults.setInteger(u"i"_s, 0);
        defaults.setDate(u"d"_s, QDateTime(QDate(2025, 3, 1), QTime(9, 0), Qt::OffsetFromUTC, 3600));
        defaults.remove(u"missing"_s);
        defaults.sync();
        QVERIFY(!QFile::exists(m_path));
        QCOMPARE(changed.count(), 0);
        defaults.setInteger(u"i"_s, 1);
        defaults.sync();
        QVERIFY(QFile::exists(m_path));
        QCOMPARE(changed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDefaults)
#include "TestDefaults.moc"
