#pragma once

#include "BusyState.h"

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QVariantList>
#include <vector>

class GSettingsKey;

// Asks the desktop at each reading, first that holds: the focused window is
// full-screen (X11 and XWayland only), the notification server keeps quiet,
// another program holds an idle inhibitor. Each D-Bus source is a row of one
// table; only names with an owner are asked, each for 250 ms at most and a
// whole reading for 600 ms at most, so a hung peer costs little. changed()
// comes from the sources' own signals and X11 property changes, never a poll.
class DesktopBusyState final : public BusyState, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // One yes-or-no question to one service: a property, or a method's answer.
    struct BusRow {
        BusyReason reason;
        QString service;
        QString path;
        QString interface;
        QString member;
        bool property;
        QVariantList args;
    };
    // A signal after which a row may answer differently.
    struct BusSignal {
        QString service;
        QString path;
        QString interface;
        QString name;
    };
    static const std::vector<BusRow>& busRows();
    static const std::vector<BusSignal>& busSignals();

    explicit DesktopBusyState(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                              QObject* parent = nullptr);
    ~DesktopBusyState() override;

    BusyReason reason() override;
    bool inhibited() override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private Q_SLOTS:
    void sourceChanged();

private:
    bool anyRowHolds(BusyReason reason, const QDeadlineTimer& reading);
    bool bannersHidden();
    bool fullScreen();
    // Follows the focused window's state; our own windows are never followed.
    void followActiveWindow();
    uint32_t activeWindow();
    bool ourWindow(uint32_t window);

    QDBusConnection m_bus;
    GSettingsKey* m_banners;
    uint32_t m_atomActive = 0;
    uint32_t m_atomState = 0;
    uint32_t m_atomFullScreen = 0;
    uint32_t m_atomPid = 0;
    uint32_t m_followed = 0;
};
