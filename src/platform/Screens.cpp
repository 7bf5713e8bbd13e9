#include "Screens.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
ScreenInfo infoOf(const QScreen* s) {
    return {s->name(), s->geometry(), s->availableGeometry()};
}
} // namespace

QtScreens::QtScreens(QObject* parent)
    : Screens(parent) {
    const auto* app = qGuiApp;
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* s) {
        watch(s);
        Q_EMIT changed();
    });
    connect(app, &QGuiApplication::screenRemoved, this, &Screens::changed);
    for (QScreen* s : QGuiApplication::screens())
        watch(s);
}

void QtScreens::watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &Screens::changed);
}

QList<ScreenInfo> QtScreens::screens() const {
    QList<ScreenInfo> list;
    for (const QScreen* s : QGuiApplication::screens()) {
        // Offscreen and headless platforms can report a placeholder of size zero.
        if (!s->geometry().isEmpty())
            list.append(infoOf(s));
    }
    return list;
}

std::optional<ScreenInfo> QtScreens::primary() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    if (!s || s->geometry().isEmpty())
        return std::nullopt;
    return infoOf(s);
}

bool QtScreens::windowManagerIgnoresPlacement() const {
    return QGuiApplication::platformName() == QLatin1StringView("xcb") &&
           qEnvironmentVariableIsSet("SWAYSOCK");
}

QScreen* QtScreens::platformScreen(const ScreenInfo& info) const {
    for (QScreen* s : QGuiApplication::screens()) {
        if (s->name() == info.name && s->geometry() == info.geometry)
            return s;
    }
    for (QScreen* s : QGuiApplication::screens()) {
        if (s->geometry() == info.geometry)
            return s;
    }
    return nullptr;
}
