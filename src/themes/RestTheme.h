#pragma once

#include "RestBackdrop.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class Defaults;
class QTimer;

// The looks of the rest overlay, in menu and selector order.
enum class RestTheme { aurora, wallpaper, ultraman };

// One theme as data: everything that differs between themes is a row here.
struct RestThemeInfo {
    RestTheme theme;
    QString rawValue;
    QString displayName;
    QString icon;
    std::function<std::unique_ptr<RestBackdrop>(const LookContext&)> makeBackdrop;
    // Empty: the theme has no figure.
    std::function<std::unique_ptr<RestFigure>(const LookContext&)> makeFigure = {};
    bool showsRing = true;
    bool showsTip = true;
    double columnSpacing = 40;
    double hintOpacity = 0.4;
    // The photo is fetched ahead of a rest only for the theme that shows it.
    bool showsWallpaper = false;
};

namespace RestThemes {
inline const QString settingsKey = QStringLiteral("selectedTheme");
inline const QString blurRadiusKey = QStringLiteral("wallpaperBlurRadius");
constexpr double defaultBlurRadius = 15.0;
constexpr double maxBlurRadius = 30.0;
// Within 0...30; the default for a stored value that is no number at all.
double sanitisedBlurRadius(double radius);

const QList<RestThemeInfo>& table();
const RestThemeInfo& info(RestTheme theme);
const QList<RestTheme>& allCases();
QString rawValue(RestTheme theme);
// Exactly one of the raw values, case-sensitive; nothing otherwise.
std::optional<RestTheme> fromRawValue(const QString& raw);
QString displayName(RestTheme theme);
QString icon(RestTheme theme);
} // namespace RestThemes

// The stored theme and photo blur, for views and the rest cycle: it announces
// changes so that every rest view switches together, and nothing else reads
// the keys.
class ThemeSetting final : public QObject {
    Q_OBJECT
public:
    explicit ThemeSetting(Defaults& defaults, QObject* parent = nullptr);
    ~ThemeSetting() override;

    // Absent or unknown is aurora.
    RestTheme current() const;
    // The stored string as statistics record it, "aurora" when absent.
    QString storedRawValue() const;
    void select(RestTheme theme);
    double blurRadius() const;
    // Announced at once; stored once the slider rests, since every store
    // rewrites the settings file on the main thread.
    void setBlurRadius(double radius);

Q_SIGNALS:
    void changed(RestTheme theme);
    void blurRadiusChanged(double radius);

private:
    void storeBlurRadius();

    Defaults& m_defaults;
    std::optional<double> m_unstoredRadius;
    QTimer* m_storeTimer = nullptr;
};
