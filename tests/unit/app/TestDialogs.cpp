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
        QTest::newRow("work 240 min is the longest") << u"240"_s << 1ll << 240ll << true << 240ll;
        QTest::newRow("work 241 min is too long") << u"241"_s << 1ll << 240ll << false << 0ll;
        QTest::newRow("interval 480 min is the longest") << u"480"_s << 1ll << 480ll << true << 480ll;
        QTest::newRow("interval 481 min is too long") << u"481"_s << 1ll << 480ll << false << 0ll;
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

    void formLayout() {
        NumberForm form({{u"营业时长（分钟）"_s, 20, u"例如 20"_s, 1, 240},
                         {u"眼睛下线（秒）"_s, 20, u"例如 20 或 300"_s, 5, 3600}});
        QCOMPARE(form.view()->size(), QSize(256, 58));
        QCOMPARE(form.field(0)->geometry(), QRect(136, 0, 120, 24));
        QCOMPARE(form.field(1)->geometry(), QRect(136, 34, 120, 24));
        QCOMPARE(form.field(1)->placeholderText(), u"例如 20 或 300"_s);
        QVERIFY(form.field(0)->alignment() & Qt::AlignRight);
        QCOMPARE(form.view()->focusProxy(), form.field(0));
    }

    void dialogAppliesOnlyValidInput() {
        AppFixture f;
        AppDelegate& app = *f.app;
        FakeAlerts& alerts = f.alerts;
        const QList<NumberField> fields{{u"提醒间隔（分钟）"_s, 45, u"例如 45"_s, 1, 480}};

        QString typed;
        alerts.whileShown = [&typed](const AlertRequest& request) {
            if (request.accessory)
                request.accessory->findChild<QLineEdit*>()->setText(typed);
        };
        typed = u"50"_s;
        QCOMPARE(app.runNumberDialog(u"m"_s, u"i"_s, fields, &AppDelegate::showInvalidHydrationIntervalAlert),
                 std::optional(QList<qint64>{50}));
        QCOMPARE(alerts.shown.last().buttons, (QStringList{u"应用"_s, u"取消"_s}));

        typed = u"481"_s;
        QVERIFY(
            !app.runNumberDialog(u"m"_s, u"i"_s, fields, &AppDelegate::showInvalidHydrationIntervalAlert));
        QCOMPARE(alerts.shown.last().messageText, u"自动喝水间隔无效"_s);
        QCOMPARE(alerts.shown.last().buttons, QStringList{u"好的"_s});

        // Cancelling (or closing) gives nothing and shows no error.
        const qsizetype before = alerts.shown.size();
        typed = u"30"_s;
        alerts.script = {1};
        QVERIFY(
            !app.runNumberDialog(u"m"_s, u"i"_s, fields, &AppDelegate::showInvalidHydrationIntervalAlert));
        alerts.script = {-1};
        QVERIFY(
            !app.runNumberDialog(u"m"_s, u"i"_s, fields, &AppDelegate::showInvalidHydrationIntervalAlert));
        QCOMPARE(alerts.shown.size(), before + 2);
    }

    void aboutNotesFitTheirView() {
        std::unique_ptr<QTextBrowser> normal(AppDelegate::makeAboutAccessory());
        QCOMPARE(normal->width(), 680);
        QVERIFY(normal->document()->toPlainText().startsWith(u"【护眼这块】"_s));
        QVERIFY(normal->document()->toPlainText().endsWith(u"舒服、可坚持、不过量，就很好。"_s));
        // Everything fits: the measured notes are no taller than the view.
        QVERIFY(normal->document()->size().height() <= normal->height());
        QVERIFY(normal->height() > 300);
    }
};

QTEST_MAIN(TestDialogs)
#include "TestDialogs.moc"
