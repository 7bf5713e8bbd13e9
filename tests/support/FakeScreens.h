#pragma once

#include "platform/Screens.h"

// Screens a test lays out by hand; changing them emits changed().
class FakeScreens final : public Screens {
    Q_OBJECT
public:
    using Screens::Screens;

    QList<ScreenInfo> screens() const override { return m_screens; }
    std::optional<ScreenInfo> primary() const override {
        return m_screens.isEmpty() ? std::nullopt : std::optional(m_screens.first());
    }

    void set(const QList<ScreenInfo>& screens) {
        m_screens = screens;
        Q_EMIT changed();
    }
    // `count` screens of 1920x1080 side by side.
    void setSideBySide(int count) {
        QList<ScreenInfo> list;
        for (int i = 0; i < count; ++i) {
            const QRect rect(i * 1920, 0, 1920, 1080);
            list.append({QStringLiteral("FAKE-%1").arg(i), rect, rect.adjusted(0, 28, 0, 0)});
        }
        set(list);
    }

private:
    QList<ScreenInfo> m_screens;
};
