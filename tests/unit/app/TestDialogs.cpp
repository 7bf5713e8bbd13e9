#include "AppFixture.h"
#include "app/NumberForm.h"

#include <QLineEdit>
#include <QTest>
#include <QTextBrowser>

using namespace Qt::StringLiterals;

class TestDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsingAndRanges_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("minimum");
        QTest::addColumn<qint64>("maximum");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<qint64>("value");
        QTest::newRow("spaces around 25 are trimmed") << u" 25 "_s << 1ll << 240ll << true << 25ll;
        QTest::newRow("a line break is trimmed") << u"25\n"_s << 1ll << 240ll << true << 25ll;
        QTest::newRow("a plus sign is allowed") << u"+25"_s << 1ll << 240ll << true << 25ll;
        QTest::newRow("a unit after the number is not") << u"25分钟"_s << 1ll << 240ll << false << 0ll;
        QTest::newRow("a fraction is not a whole number") << u"2.5"_s << 1ll << 240ll << false << 0ll;
        QTest::newRow("an empty field") << QString() << 1ll << 240ll << false << 0ll;
        QTest::newRow("zero is below the range") << u"0"_s << 1ll << 240ll << false << 0ll;
        QTest::newRow("minus zero is below the range") << u"-0"_s << 1ll << 240ll << false << 0ll;
        QTest::newRow("leading zeros read as 45") << u"00045"_s << 1ll << 480ll << true << 45ll;
        QTest::newRow("rest 4 s is too short") << u"4"_s << 5ll << 3600ll << false << 0ll;
        QTest::newRow("rest 5 s is the shortest") << u"5"_s << 5ll << 3600ll << true << 5ll;
        QTest::newRow("rest 3600 s is the longest") << u"3600"_s << 5ll << 3600ll << true << 3600ll;
        QTest::newRow("rest 3601 s is too long") << u"3601"_s << 5ll << 3600ll << false << 0ll;
        QTest::newRow("beyond 64 bits is no number")
            << u"9223372036854775808"_s << std::numeric_limits<qint64>::min()
            << std::numeric_limits<qint64>::max() << false << 0ll;
        QTest::newRow("full-width digits are no number") << u"２５"_s << 1ll << 240ll << false << 0ll;
    }

    void parsingAndRanges() {
        QFETCH(QString, text);
        QFETCH(qint64, minimum);
        QFETCH(qint64, maximum);
        QFETCH(bool, accepted);
        QFETCH(qint64, value);
        NumberForm form({{u"t"_s, 1, u"p"_s, minimum, maximum}});
        form.field(0)->setText(text);
        const auto values = form.values();
        QCOMPARE(bool(values), accepted);
        if (accepted)
            QCOMPARE(values->first(), value);
    }

    void aboutNotesFitTheirView() {
        std::unique_ptr<QTextBrowser> normal(AppDelegate::makeAboutAccessory());
        QCOMPARE(normal->width(), 680);
        QVERIFY(normal->document()->characterCount() > 200);
        // Everything fits: the measured notes are no taller than the view.
        QVERIFY(normal->document()->size().height() <= normal->height());
        QVERIFY(normal->height() > 300);
    }
};

QTEST_MAIN(TestDialogs)
#include "TestDialogs.moc"
