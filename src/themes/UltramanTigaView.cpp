#include "UltramanTigaView.h"

#include "ui/Bands.h"
#include "ui/Blur.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/Springs.h"

#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;

namespace {
constexpr double heroMargin = 70.0;
constexpr double glowMargin = 60.0;
constexpr double textMargin = 40.0;
constexpr double capsulePadX = 22.0;
constexpr double capsulePadY = 12.0;
constexpr double lightSide = 44.0;
constexpr double capsuleSpacing = 16.0;
// Text boxes are a line of the system font's usual height; the CJK fallback's
// taller line would leave the capsule looking empty.
constexpr double lineFactor = 1.2;
// The shade is smooth enough to keep at a quarter of its pixels.
constexpr double shadeScale = 4.0;
constexpr double countChangeSeconds = 0.18;

const QColor timerColours[] = {
    QColor::fromRgbF(1.0f, 0.2f, 0.18f),
    QColor::fromRgbF(1.0f, 0.82f, 0.2f),
    QColor::fromRgbF(0.24f, 1.0f, 0.62f),
};

QColor alpha(QColor colour, double opacity) {
    colour.setAlphaF(float(std::clamp(opacity, 0.0, 1.0)));
    return colour;
}

int colourIndex(const QColor& colour) {
    for (int i = 0; i < 3; ++i) {
        if (timerColours[i] == colour)
            return i;
    }
    return 0;
}

QImage canvas(const QSizeF& logical, qreal dpr) {
    QImage image(qMax(1, int(std::ceil(logical.width() * dpr))),
                 qMax(1, int(std::ceil(logical.height() * dpr))), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(dpr);
    return image;
}

// A soft shadow of `content`'s shape in `colour`, blurred by `radius` points.
QImage shadowOf(const QImage& content, const QColor& colour, double radius) {
    QImage shadow = content.copy();
    shadow.setDevicePixelRatio(content.devicePixelRatio());
    QPainter p(&shadow);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRectF(QPointF(0, 0), shadow.deviceIndependentSize()), colour);
    p.end();
    blurImage(shadow, radius * content.devicePixelRatio());
    shadow.setDevicePixelRatio(content.devicePixelRatio());
    return shadow;
}

// A filled circle blurred by `radius`, in a square with room for the blur.
QImage blurredCircle(double diameter, const QBrush& brush, double radius, qreal dpr) {
    const double side = diameter + 3 * radius + 4;
    QImage image = canvas({side, side}, dpr);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawEllipse(QPointF(side / 2, side / 2), diameter / 2, diameter / 2);
    p.end();
    blurImage(image, radius * dpr);
    image.setDevicePixelRatio(dpr);
    return image;
}

void drawCentred(QPainter& p, const QImage& image, const QPointF& centre, double scale = 1.0) {
    const QSizeF size = image.deviceIndependentSize() * scale;
    const QRectF target(centre - QPointF(size.width() / 2, size.height() / 2), size);
    // The glows breathe in scale, and a scaled draw taller than a few dozen
    // lines goes to Qt's thread pool slice by slice; in bands it stays here.
    paintInBands(p, target, [&] { p.drawImage(target, image); });
}

const QFont& countFont() {
    static const QFont font = Fonts::system(58, QFont::Black, Fonts::Design::rounded);
    return font;
}
const QFont& unitFont() {
    static const QFont font = Fonts::system(22, QFont::ExtraBold, Fonts::Design::rounded);
    return font;
}
const QFont& headlineFont() {
    static const QFont font = Fonts::system(26, QFont::Bold, Fonts::Design::rounded);
    return font;
}
const QFont& subtitleFont() {
    static const QFont font = [] {
        QFont f = Fonts::system(13, QFont::Normal, Fonts::Design::rounded);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
        return f;
    }();
    return font;
}

QString headlineText() {
    return u"靓仔该放松一下眼睛啦"_s;
}

// A text of one colour at a device pixel ratio, with room around it for shadows.
QImage textImage(const QString& text, const QFont& font, const QColor& colour, qreal dpr) {
    const QFontMetricsF metrics(font);
    const QSizeF box(metrics.horizontalAdvance(text), metrics.height());
    QImage image = canvas(box + QSizeF(2 * textMargin, 2 * textMargin), dpr);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(QPointF(textMargin, textMargin), box), Qt::AlignCenter, text);
    p.end();
    return image;
}

void fillText(QImage& image, const QBrush& brush) {
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRectF(QPointF(0, 0), image.deviceIndependentSize()), brush);
}
} // namespace

UltramanTigaView::UltramanTigaView(qint64 totalSeconds, QString subtitle, Uniform uniform, QImage artwork)
    : m_totalSeconds(std::max<qint64>(totalSeconds, 1))
    , m_subtitle(std::move(subtitle))
    , m_sky(makeStars(uniform))
    , m_artwork(std::move(artwork)) {}

QImage UltramanTigaView::loadArtwork() {
    QImageReader reader(u":/tiga_guard_transparent"_s, "png");
    return reader.read();
}

QList<Star> UltramanTigaView::makeStars(const Uniform& uniform) {
    QList<Star> stars;
    stars.reserve(starCount);
    for (int i = 0; i < starCount; ++i) {
        Star s;
        s.x = uniform(0, 1);
        s.y = uniform(0, 1);
        s.size = uniform(0.8, 2.8);
        s.opacity = uniform(0.15, 0.7);
        s.twinkleOffset = uniform(0, 2 * std::numbers::pi);
        s.id = QUuid::createUuid();
        stars.append(s);
    }
    return stars;
}

UltramanTigaView::TimerLight UltramanTigaView::timerLight(qint64 secondsRemaining, qint64 totalSeconds) {
    const double p = double(secondsRemaining) / double(std::max<qint64>(totalSeconds, 1));
    if (p > 0.55)
        return {timerColours[0], 6.0};
    if (p > 0.25)
        return {timerColours[1], 3.2};
    return {timerColours[2], 1.7};
}

double UltramanTigaView::pulse(double secondsShown, double rate) {
    return 0.58 + 0.42 * std::abs(std::sin(secondsShown * rate));
}

UltramanTigaView::Entrance UltramanTigaView::entrance(double t) {
    const double image = Easing::easeOut(t / 1.1);
    return {image, 0.88 + 0.12 * image, t < 0.7 ? 0.0 : Easing::easeOut((t - 0.7) / 0.9)};
}

QSizeF UltramanTigaView::capsuleSize(qint64 secondsRemaining) const {
    const QString digits(QString::number(secondsRemaining).size(), u'8');
    const double countWidth = QFontMetricsF(countFont()).horizontalAdvance(digits);
    const double unitWidth = QFontMetricsF(unitFont()).horizontalAdvance(u"s"_s);
    const double content = std::max(lightSide, 58 * lineFactor);
    return {2 * capsulePadX + lightSide + capsuleSpacing + countWidth + capsuleSpacing + unitWidth,
            2 * capsulePadY + content};
}

UltramanTigaView::Layout UltramanTigaView::layout(const QRectF& rect, qint64 secondsRemaining) const {
    const QSizeF capsule = capsuleSize(secondsRemaining);
    const double headline = 26 * lineFactor;
    const double subtitle = 13 * lineFactor;
    const double total = heroSide + 22 + capsule.height() + 18 + headline + 10 + subtitle;
    const double cx = rect.center().x();
    double y = rect.center().y() - total / 2;
    Layout l;
    l.hero = QRectF(cx - heroSide / 2, y, heroSide, heroSide);
    y += heroSide + 22;
    l.capsule = QRectF(cx - capsule.width() / 2, y, capsule.width(), capsule.height());
    y += capsule.height() + 18;
    const double headlineWidth = QFontMetricsF(headlineFont()).horizontalAdvance(headlineText());
    l.headline = QRectF(cx - headlineWidth / 2, y, headlineWidth, headline);
    y += headline + 10;
    const double subtitleWidth = QFontMetricsF(subtitleFont()).horizontalAdvance(m_subtitle);
    l.subtitle = QRectF(cx - subtitleWidth / 2, y, subtitleWidth, subtitle);
    return l;
}

QRegion UltramanTigaView::animatedRegion(const QRectF& rect, qint64 secondsRemaining,
                                         double secondsShown) const {
    QRegion region;
    const Layout l = layout(rect, secondsRemaining);
    // The glow's widest swing with its blur, and the artwork's shadows plus the bob.
    const QPointF hero = l.hero.center();
    region += QRectF(hero - QPointF(330, 300), QSizeF(660, 600)).toAlignedRect();
    region += l.capsule.adjusted(-40, -40, 40, 40).toAlignedRect();
    if (secondsShown < 1.7)
        region += l.headline.united(l.subtitle)
                      .adjusted(-textMargin, -textMargin, textMargin, textMargin)
                      .toAlignedRect();
    return region;
}

void UltramanTigaView::prepare(qreal dpr) {
    if (dpr == m_dpr)
        return;
    m_dpr = dpr;
    m_lightColour = -1;
    m_countSeconds = -1;
    m_capsuleShadowSize = {};

    // The artwork (or the disc) with its two shadows, fitted in the 410 frame.
    const double side = heroSide + 2 * heroMargin;
    QImage content = canvas({side, side}, dpr);
    {
        QPainter p(&content);
        p.setRenderHint(QPainter::Antialiasing);
        if (!m_artwork.isNull()) {
            const QSize target =
                m_artwork.size().scaled(QSize(int(heroSide * dpr), int(heroSide * dpr)), Qt::KeepAspectRatio);
            QImage fitted = m_artwork.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            fitted.setDevicePixelRatio(dpr);
            const QSizeF logical = fitted.deviceIndependentSize();
            p.drawImage(QPointF((side - logical.width()) / 2, (side - logical.height()) / 2), fitted);
        } else {
            QRadialGradient disc(QPointF(side / 2, side / 2), 120);
            disc.setColorAt(0, Palette::purple());
            disc.setColorAt(10.0 / 120, Palette::purple());
            disc.setColorAt(65.0 / 120, alpha(Palette::blue(), 0.5));
            disc.setColorAt(1, alpha(Palette::blue(), 0));
            p.setPen(Qt::NoPen);
            p.setBrush(disc);
            p.drawEllipse(QPointF(side / 2, side / 2), 120, 120);
            p.end();
            blurImage(content, 30 * dpr);
            content.setDevicePixelRatio(dpr);
        }
    }
    m_hero = canvas({side, side}, dpr);
    {
        QPainter p(&m_hero);
        p.drawImage(QPointF(0, 8), shadowOf(content, alpha(Palette::purple(), 0.58), 28));
        p.drawImage(QPointF(0, -4), shadowOf(content, alpha(Palette::cyan(), 0.36), 18));
        p.drawImage(QPointF(0, 0), content);
    }

    // The glow is kept at two blurs; the frame blends between them as the
    // radius swings from 16 to 40.
    const QSizeF glowSize(470 + 2 * glowMargin, 360 + 2 * glowMargin);
    QImage glow = canvas(glowSize, dpr);
    {
        QPainter p(&glow);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(glowSize.width() / 2, glowSize.height() / 2);
        QRadialGradient gradient(c, 210);
        gradient.setColorAt(0, QColor::fromRgbF(0.5f, 0.1f, 0.9f, 0.38f));
        gradient.setColorAt(10.0 / 210, QColor::fromRgbF(0.5f, 0.1f, 0.9f, 0.38f));
        gradient.setColorAt(110.0 / 210, alpha(Palette::purple(), 0.12));
        gradient.setColorAt(1, alpha(Palette::purple(), 0));
        p.setPen(Qt::NoPen);
        p.setBrush(gradient);
        p.drawEllipse(c, 235, 180);
    }
    m_glowSoft = glow.copy();
    blurImage(m_glowSoft, 16 * dpr);
    m_glowSoft.setDevicePixelRatio(dpr);
    m_glowWide = glow;
    blurImage(m_glowWide, 40 * dpr);
    m_glowWide.setDevicePixelRatio(dpr);
    m_halo = blurredCircle(120, Palette::cyan(), 22, dpr);

    // Headline: the gradient text over its purple and cyan shadows.
    QImage text = textImage(headlineText(), headlineFont(), Qt::white, dpr);
    const QSizeF textSize = text.deviceIndependentSize();
    QLinearGradient across(textMargin, 0, textSize.width() - textMargin, 0);
    across.setColorAt(0, QColor::fromRgbF(0.72f, 0.88f, 1.0f));
    across.setColorAt(0.5, Qt::white);
    across.setColorAt(1, QColor::fromRgbF(0.78f, 0.6f, 1.0f));
    fillText(text, across);
    m_headline = canvas(textSize, dpr);
    {
        QPainter p(&m_headline);
        p.drawImage(QPointF(0, 4), shadowOf(text, alpha(Palette::purple(), 0.4), 20));
        p.drawImage(QPointF(0, 2), shadowOf(text, alpha(Palette::cyan(), 0.55), 12));
        p.drawImage(QPointF(0, 0), text);
    }
    m_subtitleImage = textImage(m_subtitle, subtitleFont(), QColor::fromRgbF(1, 1, 1, 0.45f), dpr);
}

void UltramanTigaView::prepareCount(qint64 secondsRemaining, int colour, double now) {
    if (secondsRemaining == m_countSeconds && colour == m_countColour)
        return;
    // Standing still, a new count takes the old one's place at once.
    if (m_countSeconds >= 0 && secondsRemaining != m_countSeconds && !m_still) {
        m_previousCount = m_count;
        m_previousCountShadow = m_countShadow;
        m_countChangedAt = now;
    }
    const QColor c = timerColours[colour];
    m_count = textImage(QString::number(secondsRemaining), countFont(), Qt::white, m_dpr);
    const QSizeF size = m_count.deviceIndependentSize();
    QLinearGradient down(0, textMargin, 0, size.height() - textMargin);
    down.setColorAt(0, Qt::white);
    down.setColorAt(1, alpha(c, 0.96));
    fillText(m_count, down);
    // The glow's radius swings 16...26 with the pulse; its mean serves.
    m_countShadow = shadowOf(m_count, c, 21);
    m_countSeconds = secondsRemaining;
    m_countColour = colour;
}

void UltramanTigaView::paintHero(QPainter& p, const QRectF& frame, double f, double g,
                                 const Entrance& e) const {
    const double opacity = p.opacity();
    p.save();
    p.translate(frame.center() + QPointF(0, 9 * std::sin(0.55 * f)));
    p.scale(e.imageScale, e.imageScale);
    const double swing = std::sin(0.7 * g);
    const double wide = (swing + 1) / 2;
    p.setOpacity(opacity * e.imageOpacity * (1 - wide));
    drawCentred(p, m_glowSoft, {0, 0}, 1 + 0.06 * swing);
    p.setOpacity(opacity * e.imageOpacity * wide);
    drawCentred(p, m_glowWide, {0, 0}, 1 + 0.06 * swing);
    p.setOpacity(opacity * e.imageOpacity * (0.18 + 0.1 * std::sin(g)));
    drawCentred(p, m_halo, {0, -30}, 1 + 0.04 * std::sin(1.3 * g));
    p.setOpacity(opacity * e.imageOpacity);
    // Only the entrance zoom resamples the artwork; afterwards it is a plain blit.
    p.setRenderHint(QPainter::SmoothPixmapTransform, e.imageScale < 1.0);
    drawCentred(p, m_hero, {0, 0});
    p.restore();
}

void UltramanTigaView::paintCapsule(QPainter& p, const QRectF& capsule, qint64 secondsRemaining, double g,
                                    double opacity) {
    const TimerLight light = timerLight(secondsRemaining, m_totalSeconds);
    const QColor c = light.colour;
    const double P = pulse(g, light.pulseRate);
    const int index = colourIndex(c);
    if (index != m_lightColour) {
        m_lightGlow = blurredCircle(42, c, 8, m_dpr);
        m_coreShadow = blurredCircle(18, c, 17, m_dpr);
        m_lightColour = index;
        m_capsuleShadowSize = {};
    }
    if (capsule.size() != m_capsuleShadowSize) {
        m_capsuleShadow = canvas(capsule.size() + QSizeF(80, 80), m_dpr);
        QPainter s(&m_capsuleShadow);
        s.setRenderHint(QPainter::Antialiasing);
        s.setPen(Qt::NoPen);
        s.setBrush(c);
        s.drawRoundedRect(QRectF(QPointF(40, 40), capsule.size()), capsule.height() / 2,
                          capsule.height() / 2);
        s.end();
        blurImage(m_capsuleShadow, 18 * m_dpr);
        m_capsuleShadow.setDevicePixelRatio(m_dpr);
        // The capsule's fills and outline as images: a path filled with
        // anti-aliasing this tall would go to Qt's thread pool every frame.
        const QRectF shape(QPointF(1, 1), capsule.size());
        const double r = capsule.height() / 2;
        for (int i = 0; i < 3; ++i) {
            QImage& layer = i == 0 ? m_capsuleBase : i == 1 ? m_capsuleTint : m_capsuleEdge;
            layer = canvas(capsule.size() + QSizeF(2, 2), m_dpr);
            QPainter l(&layer);
            l.setRenderHint(QPainter::Antialiasing);
            l.setPen(i == 2 ? QPen(c, 1) : Qt::NoPen);
            l.setBrush(i == 0 ? QBrush(QColor::fromRgbF(0, 0, 0, 0.26f)) : i == 1 ? QBrush(c) : QBrush());
            l.drawRoundedRect(shape, r, r);
        }
        m_capsuleShadowSize = capsule.size();
    }
    prepareCount(secondsRemaining, index, g);

    const double base = p.opacity() * opacity;
    p.save();
    p.setOpacity(base * (0.24 + 0.18 * P));
    drawCentred(p, m_capsuleShadow, capsule.center());
    p.setOpacity(base);
    drawCentred(p, m_capsuleBase, capsule.center());
    p.setOpacity(base * (0.07 + 0.06 * P));
    drawCentred(p, m_capsuleTint, capsule.center());

    const double cy = capsule.center().y();
    const QPointF lightCentre(capsule.left() + capsulePadX + lightSide / 2, cy);
    p.setOpacity(base * 0.22 * P);
    drawCentred(p, m_lightGlow, lightCentre);
    const double coreScale = 0.88 + 0.22 * P;
    p.setOpacity(base * 0.95);
    drawCentred(p, m_coreShadow, lightCentre, coreScale * (0.8 + 0.3 * P));
    p.setOpacity(base);
    p.setPen(Qt::NoPen);
    p.setBrush(alpha(c, 0.82 + 0.18 * P));
    p.drawEllipse(lightCentre, 9 * coreScale, 9 * coreScale);

    const double countLeft = lightCentre.x() + lightSide / 2 + capsuleSpacing;
    const QSizeF countSize = m_count.deviceIndependentSize();
    const QPointF countAt(countLeft - textMargin, cy - countSize.height() / 2);
    // A new count drops in from above as the old one leaves downwards.
    const double change =
        m_previousCount.isNull() ? 1.0 : Easing::easeInOut((g - m_countChangedAt) / countChangeSeconds);
    const auto drawCount = [&](const QImage& count, const QImage& shadow, double shown, double dy) {
        p.setOpacity(base * shown * 0.85 * (0.7 + 0.3 * P));
        p.drawImage(countAt + QPointF(0, dy), shadow);
        p.setOpacity(base * shown);
        p.drawImage(countAt + QPointF(0, dy), count);
    };
    if (change < 1.0)
        drawCount(m_previousCount, m_previousCountShadow, 1 - change, 12 * change);
    drawCount(m_count, m_countShadow, change, -12 * (1 - change));
    p.setOpacity(base);

    const double countWidth = countSize.width() - 2 * textMargin;
    const QFontMetricsF unit(unitFont());
    p.setFont(unitFont());
    p.setPen(alpha(c, 0.65));
    // The unit sits on the count's baseline, as a label beside a figure does.
    const double baseline =
        cy + QFontMetricsF(countFont()).height() / 2 - QFontMetricsF(countFont()).descent();
    p.drawText(QPointF(countLeft + countWidth + capsuleSpacing, baseline), u"s"_s);

    p.setOpacity(base * (0.24 + 0.28 * P));
    drawCentred(p, m_capsuleEdge, capsule.center());
    p.restore();
}

HeroSky::HeroSky(QList<Star> stars)
    : m_stars(std::move(stars)) {}

QRegion HeroSky::starRegion(const QRectF& rect) const {
    QRegion region;
    for (const Star& s : m_stars) {
        const QPointF c(rect.left() + s.x * rect.width(), rect.top() + s.y * rect.height());
        region += QRectF(c - QPointF(2, 2), QSizeF(4, 4)).toAlignedRect();
    }
    return region;
}

void HeroSky::paint(QPainter& painter, const QRectF& rect, double secondsShown) {
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const double outer = 0.55 * std::min(rect.width(), rect.height());
    if (rect.size() != m_size || dpr != m_dpr) {
        const double side = 2 * outer;
        const int pixels = qMax(1, int(std::ceil(side * dpr / shadeScale)));
        m_shade = QImage(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        m_shade.fill(Qt::transparent);
        if (outer > 0) {
            QPainter p(&m_shade);
            p.scale(pixels / side, pixels / side);
            QRadialGradient shade(QPointF(outer, outer), outer);
            const double start = std::min(60.0 / outer, 1.0);
            shade.setColorAt(0, QColor::fromRgbF(0.22f, 0.04f, 0.38f, 0.55f));
            shade.setColorAt(start, QColor::fromRgbF(0.22f, 0.04f, 0.38f, 0.55f));
            shade.setColorAt((start + 1) / 2, QColor::fromRgbF(0.06f, 0.02f, 0.14f, 0.2f));
            shade.setColorAt(1, QColor::fromRgbF(0.06f, 0.02f, 0.14f, 0));
            p.fillRect(QRectF(0, 0, side, side), shade);
        }
        m_size = rect.size();
        m_dpr = dpr;
    }
    const double g = std::max(0.0, secondsShown);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // A small repaint (the capsule's) need not trace all 120 stars.
    const QRectF clip = painter.hasClipping() ? painter.clipBoundingRect() : rect;
    for (const Star& s : m_stars) {
        const QPointF c(rect.left() + s.x * rect.width(), rect.top() + s.y * rect.height());
        if (!clip.intersects(QRectF(c - QPointF(2, 2), QSizeF(4, 4))))
            continue;
        const double twinkle = 0.4 + 0.6 * (0.5 + 0.5 * std::sin(g * 1.1 + s.twinkleOffset));
        painter.setBrush(QColor::fromRgbF(1, 1, 1, float(s.opacity * twinkle)));
        painter.drawEllipse(c, s.size / 2, s.size / 2);
    }
    painter.restore();
    // Unfiltered: neighbouring pixels of the quarter-size shade differ by
    // half a level at most, so its blocks cannot be seen.
    drawEnlarged(painter, rect.center() - QPointF(outer, outer), m_shade, shadeScale / dpr);
}

void UltramanTigaView::paint(QPainter& painter, const QRectF& rect, qint64 secondsRemaining,
                             double secondsShown) {
    m_sky.paint(painter, rect, secondsShown);
    paintGroup(painter, rect, secondsRemaining, secondsShown);
}

QSizeF UltramanTigaView::size() const {
    const QRectF group = layout(QRectF(), 0).hero.united(layout(QRectF(), 0).subtitle);
    return {heroSide, group.height()};
}

void UltramanTigaView::paint(QPainter& painter, const QRectF& rect, const FigureState& state) {
    m_still = state.still;
    paintGroup(painter, rect, state.secondsRemaining, state.seconds);
}

QRegion UltramanTigaView::paintedRegion(const QRectF& rect, const FigureState& state) const {
    return animatedRegion(rect, state.secondsRemaining, state.seconds);
}

double UltramanTigaView::groupTime(double t) {
    // The entrance and the texts' fade run at frame rate.
    constexpr double settled = 1.7;
    return t < settled ? t : settled + std::floor((t - settled) / groupStepSeconds) * groupStepSeconds;
}

QRegion UltramanTigaView::advance(const QRectF& rect, const FigureState& state) {
    const double g = groupTime(std::max(0.0, state.seconds));
    if (g != m_groupTime) {
        m_groupTime = g;
        return paintedRegion(rect, state);
    }
    return layout(rect, state.secondsRemaining).capsule.adjusted(-40, -40, 40, 40).toAlignedRect();
}

void UltramanTigaView::restart() {
    // A count that changed at a later moment of the last showing would wait to drop in.
    m_previousCount = QImage();
    m_previousCountShadow = QImage();
    m_countChangedAt = 0.0;
    m_groupTime = -1.0;
}

void UltramanTigaView::paintGroup(QPainter& painter, const QRectF& rect, qint64 secondsRemaining,
                                  double secondsShown) {
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    prepare(dpr);
    const double t = std::max(0.0, secondsShown);
    const Entrance e = entrance(t);
    const Layout l = layout(rect, secondsRemaining);
    const double opacity = painter.opacity();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF hero = l.hero.adjusted(-heroMargin - 40, -heroMargin - 20, heroMargin + 40, heroMargin + 20);
    const double g = groupTime(t);
    paintInBands(painter, hero, [&] { paintHero(painter, l.hero, g, g, e); });
    // On an opaque backing store even plain blits go through the span
    // painters that use the thread pool, so the capsule and texts go in bands too.
    paintInBands(painter, l.capsule.adjusted(0, -40, 0, 40),
                 [&] { paintCapsule(painter, l.capsule, secondsRemaining, t, e.imageOpacity); });
    if (e.textOpacity > 0) {
        paintInBands(painter, l.headline.united(l.subtitle).adjusted(0, -textMargin, 0, textMargin), [&] {
            painter.setOpacity(opacity * e.textOpacity);
            drawCentred(painter, m_headline, l.headline.center());
            painter.setOpacity(opacity * 0.75 * e.textOpacity);
            drawCentred(painter, m_subtitleImage, l.subtitle.center());
        });
    }
    painter.restore();
}
