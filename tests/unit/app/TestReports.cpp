#include "AppFixture.h"
#include "app/Commands.h"
#include "stats/StatsReportView.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QList<StatsReportView*> reportWindows() {
    QList<StatsReportView*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* view = qobject_cast<StatsReportView*>(w); view && view->isVisible())
            windows << view;
    return windows;
}

// Report windows outlive the delegate that opened them.
struct ReportFixture : AppFixture {
    ~ReportFixture() { qDeleteAll(reportWindows()); }
};
} // namespace

class TestReports : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void yesterdayOffer_data() {
        QTest::addColumn<bool>("eventsYesterday");
        QTest::addColumn<QString>("offeredOn");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("offered");
        QTest::newRow("yesterday has events and the person looks: yesterday's day report opens")
            << true << QString() << 0 << true;
        QTest::newRow("yesterday has events and the person defers: nothing opens")
            << true << QString() << 1 << true;
        QTest::newRow("an offer made earlier today is not repeated") << true << u"2025-03-03"_s << 0 << false;
        QTest::newRow("a quiet yesterday gives no offer and writes no meta")
            << false << QString() << 0 << false;
    }

    void yesterdayOffer() {
        QFETCH(bool, eventsYesterday);
        QFETCH(QString, offeredOn);
        QFETCH(int, answer);
        QFETCH(bool, offered);
        ReportFixture f;
        if (eventsYesterday)
            f.store.record(StatsEventType::restCompleted, StatsEventSource::scheduled, u"S"_s, {},
                           f.clock.now().addDays(-1));
        if (!offeredOn.isEmpty())
            f.store.saveMeta({offeredOn});
        f.alerts.script = {answer};
        std::optional<QString> metaWhileAsked;
        f.alerts.whileShown = [&](const AlertRequest&) {
            metaWhileAsked = f.store.loadMeta().lastDailyReportPromptDay;
        };
        f.launch(); // the offer comes a second later
        QVERIFY(f.alerts.shown.isEmpty());
        f.clock.advanceSeconds(1);

        QCOMPARE(f.alerts.shown.size(), offered ? 1 : 0);
        QCOMPARE(QFileInfo::exists(f.store.metaPath()), offered || !offeredOn.isEmpty());
        if (!offered)
            return;
        QCOMPARE(f.alerts.shown.first().buttons, (QStringList{u"查看日报"_s, u"稍后看"_s}));
        QCOMPARE(metaWhileAsked, std::optional(u"2025-03-03"_s));
        QCOMPARE(reportWindows().size(), answer == 0 ? 1 : 0);
        if (answer == 0) {
            QCOMPARE(f.app->statsReportWindow()->windowTitle(), u"Tovi 身体维护日报"_s);
            QVERIFY(f.app->statsReportWindow()
                        ->findChild<QLabel*>(u"range"_s)
                        ->text()
                        .startsWith(u"2025-03-02 ·"_s));
        }
    }

    void eachMenuCommandOpensAnotherWindow() {
        ReportFixture f;
        f.launch();
        f.app->commands().openReport(StatsReportScope::Kind::week);
        QWidget* first = f.app->statsReportWindow();
        f.app->commands().openReport(StatsReportScope::Kind::week);
        QCOMPARE(reportWindows().size(), 2);
        QVERIFY(f.app->statsReportWindow() != first);
        QCOMPARE(f.app->statsReportWindow()->windowTitle(), u"Tovi 身体维护周报"_s);
        QCOMPARE(f.app->statsReportWindow()->size(), QSize(900, 720));
        QCOMPARE(f.status(), u"📊 报表已打开，身体小本本已摊开"_s);
        f.app->statsReportWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!f.app->statsReportWindow());
        QCOMPARE(reportWindows().size(), 1);
    }
};

QTEST_MAIN(TestReports)
#include "TestReports.moc"
