#include "RestTheme.h"

#include "ClassicBackground.h"
#include "platform/Defaults.h"

#include <QPainter>
#include <QRadialGradient>

using namespace Qt::StringLiterals;

namespace {
// The hero's backdrop: a dark veil over the desktop, shaded toward the edges.
class HeroVeil final : public RestBackdrop {
public:
    void paint(QPainter& p, const QRectF& rect, double) override {
        p.fillRect(rect, QColor::fromRgbF(0, 0, 0, 0.72f));
        const double outer = 900.0;
        QRadialGradient vignette(rect.center(), outer);
        vignette.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0));
        vignette.setColorAt(200.0 / outer, QColor::fromRgbF(0, 0, 0, 0));
        vignette.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.25f));
        p.fillRect(rect, vignette);
    }
};

template <typename T> std::unique_ptr<RestBackdrop> make() {
    return std::make_unique<T>();
}
} // namespace

namespace RestThemes {
const QList<RestThemeInfo>& table() {
    static const QList<RestThemeInfo> rows{
        {.theme = RestTheme::aurora,
         .rawValue = u"aurora"_s,
         .displayName = u"极光萤火虫"_s,
         .icon = u"\u2728"_s,
         .makeBackdrop = make<ClassicBackground>},
        {.theme = RestTheme::wallpaper,
         .rawValue = u"wallpaper"_s,
         .displayName = u"随机网络壁纸"_s,
         .icon = u"\U0001F3DE\uFE0F"_s,
         .makeBackdrop = make<ClassicBackground>,
         .showsWallpaper = true},
        {.theme = RestTheme::ultraman,
         .rawValue = u"ultraman"_s,
         .displayName = u"光之巨人"_s,
         .icon = u"\u26A1\uFE0F"_s,
         .makeBackdrop = make<HeroVeil>,
         .showsRing = false,
         .showsTip = false,
         .columnSpacing = 0,
         .hintOpacity = 0.6},
    };
    return rows;
}

const RestThemeInfo& info(RestTheme theme) {
    return table().at(qsizetype(theme));
}

const QList<RestTheme>& allCases() {
    static const QList<RestTheme> cases = [] {
        QList<RestTheme> list;
        for (const RestThemeInfo& row : table())
            list.append(row.theme);
        return list;
    }();
    return cases;
}

QString rawValue(RestTheme theme) {
    return info(theme).rawValue;
}

std::optional<RestTheme> fromRawValue(const QString& raw) {
    for (const RestThemeInfo& row : table()) {
        if (row.rawValue == raw)
            return row.theme;
    }
    return std::nullopt;
}

QString displayName(RestTheme theme) {
    return info(theme).displayName;
}

QString icon(RestTheme theme) {
    return info(theme).icon;
}
} // namespace RestThemes

ThemeSetting::ThemeSetting(Defaults& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults) {
    connect(&defaults, &Defaults::changed, this, [this](const QString& key) {
        if (key == RestThemes::settingsKey)
            Q_EMIT changed(current());
    });
}

QString ThemeSetting::storedRawValue() const {
    return m_defaults.string(RestThemes::settingsKey, u"aurora"_s);
}

RestTheme ThemeSetting::current() const {
    return RestThemes::fromRawValue(storedRawValue()).value_or(RestTheme::aurora);
}

void ThemeSetting::select(RestTheme theme) {
    m_defaults.setString(RestThemes::settingsKey, RestThemes::rawValue(theme));
}
