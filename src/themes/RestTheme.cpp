#include "RestTheme.h"

#include "AuroraBackground.h"
#include "ClassicBackground.h"
#include "RestingCatView.h"
#include "UltramanTigaView.h"
#include "WallpaperBackground.h"
#include "platform/Defaults.h"
#include "ui/Bands.h"

#include <QPainter>
#include <QRadialGradient>
#include <QTimer>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
// The hero's backdrop: a dark veil over the desktop, shaded toward the
// edges, under the hero's twinkling sky.
class HeroVeil final : public RestBackdrop {
public:
    void paint(QPainter& p, const QRectF& rect, double seconds) override {
        // A quarter of the pixels, unfiltered: neighbouring pixels of the
        // shading differ by under half a level, and a gradient computed per
        // pixel at full size costs most of a frame.
        constexpr double scale = 4.0;
        if (m_veilSize != rect.size()) {
            const QSizeF small = rect.size() / scale;
            m_veil = QImage(qMax(1, int(std::ceil(small.width()))), qMax(1, int(std::ceil(small.height()))),
                            QImage::Format_ARGB32_Premultiplied);
            QPainter v(&m_veil);
            v.scale(1 / scale, 1 / scale);
            const QRectF local(QPointF(0, 0), rect.size());
            v.setCompositionMode(QPainter::CompositionMode_Source);
            v.fillRect(local, QColor::fromRgbF(0, 0, 0, 0.72f));
            v.setCompositionMode(QPainter::CompositionMode_SourceOver);
            const double outer = 900.0;
            QRadialGradient vignette(local.center(), outer);
            vignette.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0));
            vignette.setColorAt(200.0 / outer, QColor::fromRgbF(0, 0, 0, 0));
            vignette.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.25f));
            v.fillRect(local, vignette);
            m_veilSize = rect.size();
        }
        drawEnlarged(p, rect.topLeft(), m_veil, scale);
        m_sky.paint(p, rect, seconds);
    }
    bool animates() const override { return true; }
    int frameIntervalMs() const override { return UltramanTigaView::twinkleIntervalMs; }
    QRegion advance(const QRectF& rect, double) override { return m_sky.starRegion(rect); }
    void releaseCaches() override {
        m_veil = QImage();
        m_veilSize = QSizeF();
    }

private:
    HeroSky m_sky{UltramanTigaView::makeStars(systemUniform())};
    QImage m_veil;
    QSizeF m_veilSize;
};

} // namespace

namespace RestThemes {
const QList<RestThemeInfo>& table() {
    static const QList<RestThemeInfo> rows{
        {.theme = RestTheme::aurora,
         .rawValue = u"aurora"_s,
         .displayName = u"极光萤火虫"_s,
         .icon = u"\u2728"_s,
         .makeBackdrop = [](const LookContext&) { return std::make_unique<AuroraBackground>(); },
         .makeFigure = [](const LookContext&) { return std::make_unique<RestingCatView>(); }},
        {.theme = RestTheme::wallpaper,
         .rawValue = u"wallpaper"_s,
         .displayName = u"随机网络壁纸"_s,
         .icon = u"\U0001F3DE\uFE0F"_s,
         .makeBackdrop = [](const LookContext& c) -> std::unique_ptr<RestBackdrop> {
             if (!c.wallpapers)
                 return std::make_unique<ClassicBackground>();
             return std::make_unique<WallpaperBackground>(*c.wallpapers, c.blurRadius);
         },
         .showsWallpaper = true},
        {.theme = RestTheme::ultraman,
         .rawValue = u"ultraman"_s,
         .displayName = u"光之巨人"_s,
         .icon = u"\u26A1\uFE0F"_s,
         .makeBackdrop = [](const LookContext&) { return std::make_unique<HeroVeil>(); },
         .makeFigure =
             [](const LookContext& c) {
                 return std::make_unique<UltramanTigaView>(c.totalSeconds, c.subtitle);
             },
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

double sanitisedBlurRadius(double radius) {
    if (!std::isfinite(radius))
        return std::isinf(radius) ? (radius > 0 ? maxBlurRadius : 0.0) : defaultBlurRadius;
    return std::clamp(radius, 0.0, maxBlurRadius);
}
} // namespace RestThemes

ThemeSetting::ThemeSetting(Defaults& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults) {
    m_storeTimer = new QTimer(this);
    m_storeTimer->setSingleShot(true);
    m_storeTimer->setInterval(300);
    connect(m_storeTimer, &QTimer::timeout, this, &ThemeSetting::storeBlurRadius);
    connect(&defaults, &Defaults::changed, this, [this](const QString& key) {
        if (key == RestThemes::settingsKey)
            Q_EMIT changed(current());
        else if (key == RestThemes::blurRadiusKey)
            Q_EMIT blurRadiusChanged(blurRadius());
    });
}

ThemeSetting::~ThemeSetting() {
    storeBlurRadius();
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

double ThemeSetting::blurRadius() const {
    if (m_unstoredRadius)
        return *m_unstoredRadius;
    return RestThemes::sanitisedBlurRadius(
        m_defaults.real(RestThemes::blurRadiusKey, RestThemes::defaultBlurRadius));
}

void ThemeSetting::setBlurRadius(double radius) {
    m_unstoredRadius = RestThemes::sanitisedBlurRadius(radius);
    m_storeTimer->start();
    Q_EMIT blurRadiusChanged(*m_unstoredRadius);
}

void ThemeSetting::storeBlurRadius() {
    if (const auto radius = std::exchange(m_unstoredRadius, std::nullopt))
        m_defaults.setReal(RestThemes::blurRadiusKey, *radius);
}
