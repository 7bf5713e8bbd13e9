#include "WallpaperBackground.h"

#include "WallpaperManager.h"
#include "ui/Bands.h"
#include "ui/Blur.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QPaintDevice>
#include <QPainter>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
// The part of an image of `from` that fills `to` with the aspect ratio kept.
QRectF fillSource(const QSizeF& from, const QSizeF& to) {
    const double scale = std::max(to.width() / from.width(), to.height() / from.height());
    const QSizeF seen = to / scale;
    return {QPointF((from.width() - seen.width()) / 2, (from.height() - seen.height()) / 2), seen};
}
} // namespace

WallpaperBackground::WallpaperBackground(WallpaperManager& manager, double blurRadius, QObject* parent)
    : QObject(parent)
    , m_manager(manager)
    , m_radius(blurRadius) {
    connect(&manager, &WallpaperManager::cachedImageChanged, this, [this] {
        // A photo the manager drops for another theme stays to the end of
        // this showing: it still fades out, and may be chosen back.
        if (m_displayed && !m_manager.cachedImage().isNull())
            m_photo = m_manager.cachedImage();
        Q_EMIT changed();
    });
    connect(&manager, &WallpaperManager::fetchFailed, this, &WallpaperBackground::changed);
    connect(this, &WallpaperBackground::changed, this, [this] { m_changed = true; });
}

bool WallpaperBackground::spinning() const {
    return m_photo.isNull() && !m_manager.lastFetchFailed();
}

QRegion WallpaperBackground::advance(const QRectF& rect, double seconds) {
    const bool placeholder = m_photo.isNull();
    const double glows = ClassicBackground::glowTime(seconds);
    if (m_changed || (isAnimating(seconds) && !placeholder) || (placeholder && glows != m_glowTime)) {
        m_changed = false;
        m_glowTime = glows;
        return rect.toAlignedRect();
    }
    return spinning() ? spinnerRect(rect).adjusted(-3, -3, 3, 3).toAlignedRect() : QRegion();
}

void WallpaperBackground::releaseCaches() {
    m_classic.releaseCaches();
    m_photo = {};
    m_displayed = false;
    m_shown = {};
    m_incoming = {};
    m_changed = true;
}

void WallpaperBackground::setBlurRadius(double radius) {
    if (radius == m_radius)
        return;
    m_radius = radius;
    Q_EMIT changed();
}

QImage WallpaperBackground::compose(const QImage& photo, double radius, const QSize& size) {
    const QRectF source = fillSource(photo.size(), size);
    // A blur keeps no detail finer than itself, so it runs where the radius is
    // about four pixels; the upscale that follows is as soft as the blur.
    const double reduce = std::clamp(radius / 4.0, 1.0, 16.0);
    const QSize small(std::max(1, int(std::lround(size.width() / reduce))),
                      std::max(1, int(std::lround(size.height() / reduce))));
    QImage work =
        photo.copy(source.toAlignedRect()).scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (work.format() != QImage::Format_RGB32)
        work = work.convertToFormat(QImage::Format_RGB32);
    blurImage(work, radius / reduce, BlurEdge::extend);
    QImage out(size, QImage::Format_RGB32);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(QPointF(0, 0), size), work);
    p.fillRect(out.rect(), QColor::fromRgbF(0, 0, 0, float(veilOpacity)));
    return out;
}

void WallpaperBackground::composeLatest(const QImage& photo, const QSize& size, double radius, double dpr) {
    const qint64 key = photo.cacheKey();
    const Layer& latest = m_incoming.image.isNull() ? m_shown : m_incoming;
    if (m_composing || latest.shows(key, radius, size))
        return;
    m_composing = true;
    QtConcurrent::run(&WallpaperBackground::compose, photo, radius, size)
        .then(this, [this, key, radius, size, dpr](QImage image) {
            m_composing = false;
            if (size != m_shown.size)
                return Q_EMIT changed();
            image.setDevicePixelRatio(dpr);
            // Mid-fade, the layer that already shows more becomes the base.
            if (!m_incoming.image.isNull() && m_fade.valueAt(m_lastPaint) >= 0.5)
                m_shown = m_incoming;
            m_incoming = {image, key, radius, size};
            m_fadePending = true;
            Q_EMIT changed();
        });
}

void WallpaperBackground::paint(QPainter& painter, const QRectF& rect, double secondsShown) {
    m_lastPaint = secondsShown;
    if (!m_displayed) {
        m_displayed = true;
        if (m_manager.cachedImage().isNull())
            m_manager.loadFromLocalCache();
        if (m_manager.cachedImage().isNull())
            m_manager.prefetchNextWallpaper();
        m_photo = m_manager.cachedImage();
    }
    const QImage& photo = m_photo;
    if (photo.isNull()) {
        paintPlaceholder(painter, rect, secondsShown);
        paintInBands(painter, rect,
                     [&] { painter.fillRect(rect, QColor::fromRgbF(0, 0, 0, float(veilOpacity))); });
        return;
    }
    const double dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize size = (rect.size() * dpr).toSize();
    if (m_shown.size != size) {
        // Nothing of this size yet: compose it now, once, rather than show
        // the placeholder for a frame before the photo.
        m_shown = {compose(photo, m_radius * dpr, size), photo.cacheKey(), m_radius * dpr, size};
        m_shown.image.setDevicePixelRatio(dpr);
        m_incoming = {};
    }
    composeLatest(photo, size, m_radius * dpr, dpr);
    if (m_fadePending) {
        m_fade.jump(0.0);
        m_fade.animate(1.0, secondsShown, radiusSpring);
        m_fadePending = false;
    }
    if (!m_incoming.image.isNull() && !m_fade.isAnimating(secondsShown)) {
        m_shown = m_incoming;
        m_incoming = {};
    }
    painter.drawImage(rect.topLeft(), m_shown.image);
    if (!m_incoming.image.isNull()) {
        painter.save();
        painter.setOpacity(std::clamp(m_fade.valueAt(secondsShown), 0.0, 1.0));
        painter.drawImage(rect.topLeft(), m_incoming.image);
        painter.restore();
    }
}

bool WallpaperBackground::isAnimating(double secondsShown) const {
    return spinning() || m_fadePending || (!m_incoming.image.isNull() && m_fade.isAnimating(secondsShown));
}

namespace {
constexpr double spinner = 20.0;
constexpr double spacing = 12.0;
QFont placeholderFont() {
    return Fonts::system(11);
}
} // namespace

// Two thirds down, in the empty band between the tip and the skip control:
// at the centre the line would run into the tip.
QRectF WallpaperBackground::spinnerRect(const QRectF& rect) {
    const double top = rect.top() + rect.height() * 2 / 3 -
                       (spinner + spacing + QFontMetricsF(placeholderFont()).height()) / 2;
    return {rect.center().x() - spinner / 2, top, spinner, spinner};
}

void WallpaperBackground::paintPlaceholder(QPainter& painter, const QRectF& rect, double secondsShown) {
    m_classic.paint(painter, rect, ClassicBackground::glowTime(secondsShown));
    const bool turning = spinning();
    const QString& text = turning ? loadingLine : notFetchedLine;
    const QFont font = placeholderFont();
    const QFontMetricsF metrics(font);
    const QRectF ring = spinnerRect(rect);
    const double top = ring.top();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (turning) {
        // A three-quarter arc turning once a second.
        const int start = -int(std::fmod(secondsShown, 1.0) * 360 * 16);
        painter.setPen(QPen(Palette::teal(), 2.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(ring.adjusted(1.5, 1.5, -1.5, -1.5), start, 270 * 16);
    }
    painter.setFont(font);
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.4f));
    painter.drawText(QRectF(rect.left(), top + spinner + spacing, rect.width(), metrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop, text);
    painter.restore();
}
