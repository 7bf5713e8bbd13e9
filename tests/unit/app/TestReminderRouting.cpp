#include "AppFixture.h"
#include "Pixels.h"
#include "app/ReminderNotificationRouter.h"
#include "app/ReminderSkipFeedbackPresenter.h"
#include "app/ReminderSkipToast.h"
#include "reminders/ReminderEngine.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

using TestEnvironment::settle;

class TestReminderRouting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // An action id registered with the server that the engine does not
    // accept would leave the button dead: the first counts, the second snoozes.
    void eachRegisteredActionWorksOnceForItsReminder() {
        AppFixture f;
        f.launch();
        // Becoming the delegate again must not deliver each answer twice.
        f.app->notificationRouter()->becomeDelegate();
        QCOMPARE(f.center.categories.size(), 5);
        QSignalSpy completed(f.app->notificationRouter(), &ReminderNotificationRouter::responseCompleted);
        const QStringList ids{u"hydration-reminder"_s, u"pelvic-floor-reminder"_s};
        for (int i = 0; i < 4; ++i) {
            const NotificationCategory& c = f.center.categories.at(i % 2);
            QVERIFY(c.customDismiss);
            Q_EMIT f.center.responded({ids.at(i % 2), c.identifier, c.actions.at(i / 2).identifier});
            // Handled on a later turn, never inside the centre's signal.
            QCOMPARE(completed.size(), i);
            settle();
            QCOMPARE(completed.size(), i + 1);
        }
        for (const ReminderEngine* reminder : f.app->reminders()) {
            QCOMPARE(reminder->count(), 1);
            QCOMPARE(f.eventsOf(reminder->profile().snoozedType).size(), 1);
        }
        // An answer nobody takes is still completed, as not consumed.
        Q_EMIT f.center.responded({u"id"_s, u"SOMETHING_ELSE"_s, u"ACTION"_s});
        settle();
        QCOMPARE(completed.size(), 5);
        QCOMPARE(completed.last().at(1).toBool(), false);
    }

    void toastGeometry_data() {
        QTest::addColumn<std::optional<QRect>>("area");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("a 1920 screen under a 28 px panel")
            << std::optional(QRect(0, 28, 1920, 1052)) << QRect(765, 100, 390, 118);
        QTest::newRow("the right-hand screen")
            << std::optional(QRect(1920, 0, 1920, 1080)) << QRect(2685, 72, 390, 118);
        QTest::newRow("no screen known") << std::optional<QRect>() << QRect(525, 72, 390, 118);
    }
    void toastGeometry() {
        QFETCH(std::optional<QRect>, area);
        QFETCH(QRect, expected);
        QCOMPARE(ReminderSkipFeedbackPresenter::toastGeometry(area), expected);
    }

    void aLongMessageEndsInAnEllipsisOnItsSecondLine() {
        const QString longLine = QString(u"💧 今天的水分 KPI 又被你鸽了一次"_s).repeated(6);
        const QStringList lines =
            ReminderSkipToast::wrapLines(longLine, ReminderSkipToast::messageFont(), 342, 2);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.last().endsWith(u'…'));
        const QStringList shortLines = ReminderSkipToast::wrapLines(u"💧 水杯表示：我不是桌搭"_s,
                                                                    ReminderSkipToast::messageFont(), 342, 2);
        QCOMPARE(shortLines, QStringList{u"💧 水杯表示：我不是桌搭"_s});
    }

    void threeToastsStackAndNoneTakesFocus() {
        FakeScreens screens;
        screens.setSideBySide(1);
        ReminderSkipFeedbackPresenter presenter(&screens);
        QSignalSpy shown(&presenter, &ReminderSkipFeedbackPresenter::toastShown);
        presenter.present(u"喝水提醒已跳过"_s, u"💧 水杯表示：我不是桌搭"_s);
        presenter.present(u"提肛提醒已跳过"_s, u"two"_s);
        presenter.present(u"喝水提醒已跳过"_s, u"three"_s);
        // Shown on a later turn, never inside the engine's callback.
        QVERIFY(presenter.toastWindows().isEmpty());
        settle();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(presenter.toastWindows().size(), 3);
        ReminderSkipToast* toast = presenter.toastWindows().first();
        QVERIFY(toast->isVisible() && !toast->isActiveWindow());
        QVERIFY(toast->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(toast->testAttribute(Qt::WA_ShowWithoutActivating));

        QImage image(toast->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        toast->render(&image);
        // Rounded corners stay clear; the middle is the dark panel with white text.
        QCOMPARE(qAlpha(image.pixel(1, 1)), 0);
        QVERIFY(qAlpha(image.pixel(20, 59)) > 100);
        QVERIFY(Pixels::brightest(image, QRectF(24, 0, 342, 118)) > 200);
    }
};

QTEST_MAIN(TestReminderRouting)
#include "TestReminderRouting.moc"
