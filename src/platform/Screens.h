#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <optional>

class QScreen;

struct ScreenInfo {
    QString name;
    QRect geometry;
    QRect availableGeometry;
    bool operator==(const ScreenInfo&) const = default;
};

// The screens as the desktop reports them, in the desktop's order.
class Screens : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual QList<ScreenInfo> screens() const = 0;
    // The screen holding the menu bar / primary panel; empty when there is none.
    virtual std::optional<ScreenInfo> primary() const = 0;
    // The platform screen showing `info`, to place a window on; nullptr when it is gone or unknown.
    virtual QScreen* platformScreen(const ScreenInfo& /*info*/) const { return nullptr; }
    // True where the window manager puts every new window where it likes,
    // whatever frame the window asks for.
    virtual bool windowManagerIgnoresPlacement() const { return false; }

Q_SIGNALS:
    // A screen was added or removed, or one changed its geometry.
    void changed();
};

class QtScreens final : public Screens {
    Q_OBJECT
public:
    explicit QtScreens(QObject* parent = nullptr);
    QList<ScreenInfo> screens() const override;
    std::optional<ScreenInfo> primary() const override;
    QScreen* platformScreen(const ScreenInfo& info) const override;
    // True under a tiling Wayland compositor (sway) reached through XWayland:
    // it puts every new window on the focused output.
    bool windowManagerIgnoresPlacement() const override;

private:
    void watch(QScreen* screen);
};
