#include "E2eHarness.h"

#include <QImage>
#include <QStandardPaths>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

class TestTrayProcess : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<VirtualDesktop> m_desktop;

    QString home(const QString& name) const {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/homes/"_s + name;
    }
    // The icon is the small window of class "tovi" the tray host embeds.
    bool trayIconShown() const {
        for (const QString& line : m_desktop->windowsOfClass(u"tovi"_s)) {
            if (line.contains(u" 22x22+"_s) || line.contains(u" 24x24+"_s) || line.contains(u" 30x30+"_s))
                return true;
        }
        return false;
    }

    // Centre of the embedded icon once the tray has placed it.
    QPoint iconCentre() const {
        for (const QString& line : m_desktop->windowsOfClass(u"tovi"_s)) {
            if (!line.contains(u" 22x22+"_s))
                continue;
            const QString where = line.section(u' ', -1, -1, QString::SectionSkipEmpty); // "+X+Y"
            const QPoint p(where.section(u'+', 1, 1).toInt(), where.section(u'+', 2, 2).toInt());
            if (p.x() > 0 && p.y() > 0)
                return p + QPoint(11, 11);
        }
        return {};
    }

    static int lightPixels(const QString& screenshot, const QRect& area) {
        const QImage image(screenshot);
        int count = 0;
        for (int y = std::max(0, area.top()); y <= std::min(image.height() - 1, area.bottom()); ++y)
            for (int x = std::max(0, area.left()); x <= std::min(image.width() - 1, area.right()); ++x)
                count += qGray(image.pixel(x, y)) > 200;
        return count;
    }

private Q_SLOTS:
    void initTestCase() {
        m_desktop = std::make_unique<VirtualDesktop>();
        QVERIFY2(m_desktop->isRunning(), qPrintable(m_desktop->error()));
    }
    void cleanupTestCase() { m_desktop.reset(); }

    void runsInTheTrayAndEndsOnlyWhenAsked() {
        ToviProcess tovi(*m_desktop, home(u"main"_s));
        QVERIFY(tovi.start());
        E2E_WAIT(trayIconShown(), 10000);

        E2E_WAIT_COMPARE(tovi.eventsOfType(u"app_launched"_s).size(), 1, 5000);
        const QJsonObject launched = tovi.events().first();
        for (const char* key :
             {"id", "timestamp", "dayKey", "monthKey", "type", "source", "payload", "appVersion"})
            QVERIFY2(launched.contains(QLatin1StringView(key)), key);
        QVERIFY(!launched.contains("sessionId"_L1));
        QCOMPARE(launched.value("source"_L1).toString(), u"system"_s);
        QVERIFY(launched.value("payload"_L1).toObject().isEmpty());
        QCOMPARE(launched.value("monthKey"_L1).toString() + u".jsonl"_s,
                 QDir(tovi.eventsDirectory()).entryList(QDir::Files).value(0));

        // A second instance says so, exits 0 and writes nothing.
        const CommandResult refused = runCommand(toviBinary(), {}, tovi.environment());
        QCOMPARE(refused.exitCode, 0);
        QCOMPARE(refused.output.trimmed().count(u'\n'), 0);
        QVERIFY(refused.output.startsWith(u"Tovi: "_s));
        QCOMPARE(tovi.events().size(), 1);

        // A left click opens the menu (a light panel above the icon); Escape
        // closes it and Tovi runs on.
        QPoint icon;
        E2E_WAIT(!(icon = iconCentre()).isNull(), 10000);
        const QRect above(icon.x() - 300, icon.y() - 300, 600, 285);
        // Under load the panel may still be placing the icon: click again
        // until the menu shows, never while it does (a click would close it).
        E2E_WAIT(
            lightPixels(m_desktop->screenshot(u"tray-menu"_s), above) > 3000 ||
                [&] {
                    icon = iconCentre();
                    m_desktop->xdotool({u"mousemove"_s, QString::number(icon.x()), QString::number(icon.y()),
                                        u"click"_s, u"1"_s});
                    QTest::qWait(300);
                    return false;
                }(),
            15000);
        m_desktop->xdotool({u"key"_s, u"Escape"_s});
        E2E_WAIT(lightPixels(m_desktop->screenshot(u"tray-menu-closed"_s), above) < 100, 10000);
        QVERIFY(tovi.isRunning());

        tovi.sendSignal(SIGTERM);
        QVERIFY(tovi.waitForExit());
        QCOMPARE(tovi.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tovi.exitCode(), 0);
        QCOMPARE(tovi.events().size(), 1);
    }

    void iconAppearsWhenTheTrayComesLate() {
        QVERIFY(m_desktop->stopTray());
        ToviProcess tovi(*m_desktop, home(u"late"_s));
        QVERIFY(tovi.start());
        E2E_WAIT_COMPARE(tovi.eventsOfType(u"app_launched"_s).size(), 1, 5000);
        QVERIFY(!trayIconShown());
        QVERIFY(m_desktop->startTray());
        E2E_WAIT(trayIconShown(), 10000);
        tovi.sendSignal(SIGINT);
        QVERIFY(tovi.waitForExit());
        QCOMPARE(tovi.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTrayProcess)
#include "TestTrayProcess.moc"
