#include "RestView.h"

#include "MouseTouchBridge.h"
#include "RestCopy.h"
#include "ThemeSelectorOverlay.h"
#include "VisualEffectView.h"
#include "platform/Clock.h"
#include "platform/Keyboard.h"
#include "ui/Blur.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QTimer>
#include <cmath>
#include <ranges>

using namespace Qt::StringLiterals;

namespace {
constexpr double ringSize = 240.0;
constexpr double haloDiameter = 220.0;
constexpr double haloBlur = 2.0;
constexpr double tipHeight = 60.0;
constexpr double tipPadding = 40.0;
constexpr double controlSize = 90.0;
constexpr double hintGap = 12.0;
constexpr double skipBottomPadding = 50.0;
constexpr double cardMaxWidth = 620.0;
constexpr double cardOuterPadding = 44.0;
constexpr double cardPaddingX = 34.0;
constexpr double cardPaddingY = 24.0;
constexpr double cardSpacing = 14.0;
constexpr double cardRadius = 18.0;
constexpr double shadowRadius = 24.0;
constexpr double shadowOffsetY = 12.0;
constexpr int shadowMargin = 48;
constexpr double themeFadeSeconds = 0.6;
constexpr double figureFadeSeconds = 0.5;
// The selector chooses a theme inside an animation of this length.
constexpr double columnMoveSeconds = 0.4;
const Spring cardSpring{0.32, 0.78};
const Spring figureSpring{0.5, 0.7};

QColor white(double opacity) {
    return QColor::fromRgbF(1, 1, 1, float(opacity));
}

QColor withOpacity(QColor colour, double opacity) {
    colour.setAlphaF(float(opacity));
    return colour;
}

QString pickLine(const QStringList& lines) {
    return lines.isEmpty() ? QString() : lines.at(int(QRandomGenerator::system()->bounded(lines.size())));
}

QFont numberFont() {
    return Fonts::system(56, QFont::Bold, Fonts::Design::rounded);
}
QFont breathFont() {
    return Fonts::system(16, QFont::Medium);
}
QFont tipFont() {
    return Fonts::system(18);
}
QFont labelFont() {
    return Fonts::system(14, QFont::Bold);
}
QFont hintFont() {
    return Fonts::system(11);
}
QFont cardTitleFont() {
    return Fonts::system(13, QFont::Bold);
}
QFont cardLineFont() {
    return Fonts::system(28, QFont::Bold, Fonts::Design::rounded);
}

constexpr double ringLayerSide = 292.0;
constexpr int layerBand = 12;

// A transparent square of `side` points, painted once by `draw` about its centre.
QImage makeLayer(double side, double dpr, const std::function<void(QPainter&, QPointF)>& draw) {
    QImage image((QSizeF(side, side) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // Qt hands a fill of more than 96 spans to its thread pool in slices,
    // thousands of thread switches a second for layers this small: drawn in
    // bands of a few lines, each fill stays on this thread.
    for (int y = 0; y < image.height(); y += layerBand) {
        p.save();
        p.setClipRect(QRect(0, y, image.width(), layerBand));
        p.scale(dpr, dpr);
        draw(p, QPointF(side / 2, side / 2));
        p.restore();
    }
    p.end();
    image.setDevicePixelRatio(dpr);
    return image;
}

constexpr double arcRadius = 95.0;
constexpr double arcWidth = 8.0;

QBrush arcGradient(QPointF centre) {
    QLinearGradient gradient(centre.x() - arcRadius, centre.y(), centre.x() + arcRadius, centre.y());
    gradient.setColorAt(0, Palette::teal());
    gradient.setColorAt(1, Palette::cyan());
    return gradient;
}

// The arc over `fraction` of a turn clockwise from 12 o'clock: the whole
// `ring` cut to the wedge it spans, with round ends over the cuts. Stroking
// the arc anew costs twice as much, several times a second while it moves.
QImage arcLayer(const QImage& ring, double fraction) {
    QImage layer(ring.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    layer.setDevicePixelRatio(ring.devicePixelRatio());
    const double degrees = double(std::lround(fraction * 360 * 16)) / 16;
    if (degrees <= 0.0)
        return layer;
    QPainter a(&layer);
    a.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(ringLayerSide / 2, ringLayerSide / 2);
    const double outer = arcRadius + arcWidth;
    QPainterPath wedge(centre);
    wedge.arcTo(QRectF(centre - QPointF(outer, outer), QSizeF(2 * outer, 2 * outer)), 90, -degrees);
    wedge.closeSubpath();
    a.setClipPath(wedge);
    // Under the wedge a line holds up to three spans: bands as thin as the
    // layers' own keep the copy off Qt's thread pool.
    const double dpr = ring.devicePixelRatio();
    for (int y = 0; y < layer.height(); y += layerBand) {
        a.save();
        a.setClipRect(QRectF(0, y / dpr, ringLayerSide, layerBand / dpr), Qt::IntersectClip);
        a.drawImage(QPointF(0, 0), ring);
        a.restore();
    }
    a.setClipping(false);
    a.setPen(Qt::NoPen);
    a.setBrush(arcGradient(centre));
    const double turn = qDegreesToRadians(degrees);
    a.drawEllipse(centre + QPointF(0, -arcRadius), arcWidth / 2, arcWidth / 2);
    a.drawEllipse(centre + QPointF(arcRadius * std::sin(turn), -arcRadius * std::cos(turn)), arcWidth / 2,
                  arcWidth / 2);
    return layer;
}

QString hintIdleText() {
    return u"长按 1.5 秒跳过（眼睛会记账）"_s;
}
} // namespace

RestView::RestView(qint64 totalRestSeconds, SecondsRemaining secondsRemaining, QString subtitle,
                   SkipHandler onSkip, ThemeSetting& themes, WallpaperManager* wallpapers, QWidget* parent)
    : QWidget(parent)
    , m_totalRestSeconds(totalRestSeconds)
    , m_secondsRemaining(std::move(secondsRemaining))
    , m_subtitle(std::move(subtitle))
    , m_onSkip(std::move(onSkip))
    , m_themes(themes)
    , m_wallpapers(wallpapers)
    , m_breathText(u"吸气..."_s) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setFocusPolicy(Qt::StrongFocus);

    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    m_clock = [elapsed] { return double(elapsed->nsecsElapsed()) / 1e9; };

    m_breathTimer = new QTimer(this);
    m_breathTimer->setInterval(int(breathTickSeconds * 1000));
    connect(m_breathTimer, &QTimer::timeout, this, [this] {
        breathingTick();
        update(ringArea());
        // An animated figure picks the breath up in its own frames.
        if (const RestFigure* figure = look(m_theme).figure.get(); figure && !figure->animates())
            update(figureRegion(m_theme, now()));
    });
    m_backdropTimer = new QTimer(this);
    connect(m_backdropTimer, &QTimer::timeout, this, &RestView::advanceFrames);
    // Frames at display rate only while something moves faster than the breath.
    m_frameTimer = new QTimer(this);
    m_frameTimer->setInterval(16);
    m_frameTimer->setTimerType(Qt::PreciseTimer);
    connect(m_frameTimer, &QTimer::timeout, this, [this] {
        const double t = now();
        const bool whole = m_themeFade.isAnimating(t) || m_card.isAnimating(t) ||
                           m_columnMove.isAnimating(t) || m_figureIn.isAnimating(t) ||
                           m_figureOut.isAnimating(t);
        const bool arc = m_arc.isAnimating(t);
        const bool skip = m_press.isAnimating(t) || m_progressShown.isAnimating(t);
        if (whole) {
            update();
        } else {
            if (arc)
                update(ringArea());
            if (skip)
                update(skipArea());
        }
        if (!whole && !arc && !skip)
            m_frameTimer->stop();
    });
    m_holdTimer = new QTimer(this);
    m_holdTimer->setInterval(int(SkipHold::tickSeconds * 1000));
    m_holdTimer->setTimerType(Qt::PreciseTimer);
    connect(m_holdTimer, &QTimer::timeout, this, [this] {
        m_hold.tick(now());
        holdChanged();
    });

    connect(&m_hold, &SkipHold::started, this, [this] {
        m_progressShown.jump(0.0);
        m_press.animate(1.0, now(), 0.15, Easing::easeOut);
        scheduleFrames();
    });
    connect(&m_hold, &SkipHold::progressed, this, [this](double progress) {
        m_progressShown.jump(progress);
        update(skipArea());
    });
    connect(&m_hold, &SkipHold::cancelled, this, [this] {
        const double t = now();
        m_press.animate(0.0, t, 0.15, Easing::easeOut);
        m_progressShown.animate(0.0, t, 0.2, Easing::easeOut);
        scheduleFrames();
    });
    connect(&m_hold, &SkipHold::completed, this, &RestView::skipCompleted);

    m_bridge = new MouseTouchBridge(
        [this] {
            m_hold.mouseDown();
            holdChanged();
        },
        [this] {
            m_hold.mouseUp();
            holdChanged();
        },
        this);

    m_theme = themes.current();
    connect(&themes, &ThemeSetting::changed, this, &RestView::applyTheme);
    m_selector = new ThemeSelectorOverlay(
        m_theme, themes.blurRadius(), [this](RestTheme theme) { m_themes.select(theme); },
        [this](double radius) { m_themes.setBlurRadius(radius); }, this);
    connect(&themes, &ThemeSetting::blurRadiusChanged, this, [this](double radius) {
        m_selector->setBlurRadius(radius);
        for (auto& [theme, look] : m_looks)
            look.backdrop->setBlurRadius(radius);
    });
}

RestView::~RestView() {
    removeSpaceKeyMonitor();
}

void RestView::setAnimationClock(std::function<double()> clock) {
    m_clock = std::move(clock);
}

double RestView::now() const {
    return m_clock();
}

RestView::Look& RestView::look(RestTheme theme) const {
    Look& look = m_looks[theme];
    if (!look.backdrop) {
        const RestThemeInfo& info = RestThemes::info(theme);
        const LookContext context{m_wallpapers, m_themes.blurRadius(), m_totalRestSeconds, m_subtitle};
        look.backdrop = info.makeBackdrop(context);
        if (info.makeFigure)
            look.figure = info.makeFigure(context);
    }
    return look;
}

void RestView::scheduleFrames() {
    if (isVisible() && !m_frameTimer->isActive())
        m_frameTimer->start();
}

QRect RestView::ringArea() const {
    const Placed ring = columnAt(now()).ring;
    return ring.opacity > 0.0 ? ring.rect.adjusted(-20, -20, 20, 20).toAlignedRect() : QRect();
}

QRect RestView::skipArea() const {
    return layoutFor(m_theme).skipControl.adjusted(-4, -4, 4, 4).toAlignedRect();
}

// --- breathing

void RestView::breathingTick() {
    m_breathTime = std::fmod(m_breathTime + breathTickSeconds, breathCycleSeconds);
    if (m_breathTime < 4.0) {
        m_breathValue = m_breathTime * 0.25;
        m_breathText = u"慢吸气..."_s;
    } else {
        m_breathValue = 1.0 - (m_breathTime - 4.0) * 0.25;
        m_breathText = u"慢呼气..."_s;
    }
}

// --- theme

void RestView::applyTheme(RestTheme theme) {
    if (theme == m_theme)
        return;
    const double t = now();
    m_columnFrom = columnAt(t);
    m_columnMove.jump(0.0);
    m_columnMove.animate(1.0, t, columnMoveSeconds, Easing::easeInOut);
    m_previousTheme = m_theme;
    m_theme = theme;
    m_selector->setCurrentTheme(theme);
    // A theme chosen mid-rest starts its figure afresh, as a new rest would.
    Look& chosen = look(theme);
    chosen.figureStart.reset();
    if (chosen.figure)
        chosen.figure->restart();
    m_themeFade.jump(0.0);
    m_themeFade.animate(1.0, t, themeFadeSeconds, Easing::easeInOut);
    const auto move = [t](Tween& tween, const RestFigure* figure, double from, double to) {
        tween.jump(from);
        if (figure && figure->springsIn())
            tween.animate(to, t, figureSpring);
        else
            tween.animate(to, t, figureFadeSeconds, Easing::easeInOut);
    };
    move(m_figureOut, look(*m_previousTheme).figure.get(), 1.0, 0.0);
    move(m_figureIn, look(theme).figure.get(), 0.0, 1.0);
    m_bridge->setGeometry(layoutFor(m_theme).skipControl.toAlignedRect());
    if (isVisible())
        startBackdropFrames();
    scheduleFrames();
    update();
}

FigureState RestView::figureState(RestTheme theme, double t) const {
    const qint64 seconds = m_secondsRemaining ? m_secondsRemaining() : 0;
    const std::optional<double> start = look(theme).figureStart;
    return {start ? t - *start : 0.0, m_breathValue, seconds, std::max<qint64>(m_totalRestSeconds, 1),
            m_subtitle};
}

QRegion RestView::figureRegion(RestTheme theme, double t) const {
    const auto rect = layoutFor(theme).figure;
    return rect ? look(theme).figure->paintedRegion(*rect, figureState(theme, t)) : QRegion();
}

RestView::Column RestView::columnAt(double t) const {
    const Layout to = layoutFor(m_theme);
    const double k = std::clamp(m_columnMove.valueAt(t), 0.0, 1.0);
    const auto glide = [k](const Placed& from, const std::optional<QRectF>& target) -> Placed {
        if (!target)
            return {from.rect, from.opacity * (1 - k)};
        if (from.opacity <= 0.0)
            return {*target, k};
        const QPointF at = from.rect.topLeft() + (target->topLeft() - from.rect.topLeft()) * k;
        return {QRectF(at, target->size()), from.opacity + (1 - from.opacity) * k};
    };
    return {glide(m_columnFrom.ring, to.ring), glide(m_columnFrom.tip, to.tip)};
}

// One timer serves backdrop and figure; each moves on at its own interval,
// give or take half a tick.
void RestView::advanceFrames() {
    const double t = now();
    const double slack = m_backdropTimer->interval() / 2000.0;
    Look& current = look(m_theme);
    QRegion dirty;
    if (current.backdrop->animates() && t + slack >= m_backdropDue) {
        m_backdropTime = t - m_shownAt;
        dirty += current.backdrop->advance(rect(), m_backdropTime);
        m_backdropDue = t + current.backdrop->frameIntervalMs() / 1000.0;
    }
    const auto figure = layoutFor(m_theme).figure;
    if (figure && current.figure->animates() && t + slack >= m_figureDue) {
        dirty += current.figure->advance(*figure, figureState(m_theme, t));
        m_figureDue = t + current.figure->frameIntervalMs() / 1000.0;
    }
    if (!dirty.isEmpty())
        update(dirty);
}

void RestView::startBackdropFrames() {
    Look& current = look(m_theme);
    setMouseTracking(current.backdrop->wantsPointer());
    int interval = 0;
    if (current.backdrop->animates())
        interval = current.backdrop->frameIntervalMs();
    if (current.figure && current.figure->animates())
        interval = interval ? std::min(interval, current.figure->frameIntervalMs())
                            : current.figure->frameIntervalMs();
    if (interval > 0)
        m_backdropTimer->start(interval);
    else
        m_backdropTimer->stop();
}

// --- skip gesture

void RestView::holdChanged() {
    if (m_hold.needsTicks() && !m_holdTimer->isActive())
        m_holdTimer->start();
    else if (!m_hold.needsTicks())
        m_holdTimer->stop();
}

void RestView::skipCompleted() {
    const double t = now();
    m_press.animate(0.0, t, 0.15, Easing::easeOut);
    m_progressShown.jump(m_hold.progress());
    const QString line = pickLine(RestCopy::restSkipLines());
    m_skipFeedbackText = line;
    m_card.animate(1.0, t, cardSpring);
    scheduleFrames();
    update();
    Clock::after(int(skipReportDelaySeconds * 1000), this, [this, line] {
        if (m_onSkip)
            m_onSkip(line);
    });
}

QColor RestView::skipHintColor() const {
    return white(RestThemes::info(m_theme).hintOpacity);
}

// --- the Space key

void RestView::installSpaceKeyMonitor() {
    if (m_spaceKeyMonitorInstalled)
        return;
    qApp->installEventFilter(this);
    m_spaceKeyMonitorInstalled = true;
}

void RestView::removeSpaceKeyMonitor() {
    if (!m_spaceKeyMonitorInstalled)
        return;
    qApp->removeEventFilter(this);
    m_spaceKeyMonitorInstalled = false;
}

// Space belongs to the hold while a rest shows, whichever window has the focus.
bool RestView::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Space)
        return QWidget::eventFilter(watched, event);
    if (type == QEvent::KeyPress)
        m_hold.spacePress(now(), key->isAutoRepeat());
    else if (type == QEvent::KeyRelease)
        m_hold.spaceRelease(now(), key->isAutoRepeat());
    holdChanged();
    return true;
}

// --- lifecycle

void RestView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_wasShown) {
        m_wasShown = true;
        m_shownAt = now();
        m_tipText = pickLine(RestCopy::restTips());
    }
    installSpaceKeyMonitor();
    if (Keyboard::isSpaceDown())
        m_hold.spaceHeldOver();
    m_breathTimer->start();
    startBackdropFrames();
    scheduleFrames();
}

void RestView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    removeSpaceKeyMonitor();
    m_hold.letGo();
    holdChanged();
    // A hidden view between rests must cost nothing.
    m_breathTimer->stop();
    m_backdropTimer->stop();
    m_frameTimer->stop();
    for (auto& [theme, look] : m_looks) {
        look.backdrop->releaseCaches();
        if (look.figure)
            look.figure->releaseCaches();
    }
    m_halo = QImage();
    m_haloLayer = QImage();
    m_arcLayer = QImage();
    m_ringLayer = QImage();
    m_trackLayer = QImage();
    m_skipLayer = QImage();
    m_cardShadow = QImage();
    m_cardShadowSize = QSizeF();
}

void RestView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_bridge->setGeometry(layoutFor(m_theme).skipControl.toAlignedRect());
    m_selector->move(width() - m_selector->width(), 0);
}

void RestView::mouseMoveEvent(QMouseEvent* event) {
    look(m_theme).backdrop->pointerMoved(event->position());
    QWidget::mouseMoveEvent(event);
}

void RestView::leaveEvent(QEvent* event) {
    look(m_theme).backdrop->pointerMoved(std::nullopt);
    QWidget::leaveEvent(event);
}

// --- layout

RestView::Layout RestView::layoutFor(RestTheme theme) const {
    const RestThemeInfo& info = RestThemes::info(theme);
    const RestFigure* figure = look(theme).figure.get();
    const double w = width();
    const double h = height();
    const double hintHeight = QFontMetricsF(hintFont()).height();
    const double skipBlock = controlSize + hintGap + hintHeight + skipBottomPadding;
    // The column: spacer, ring, figure, tip, spacer, skip block.
    QList<double> items{0.0};
    if (info.showsRing)
        items.append(ringSize);
    if (figure)
        items.append(figure->topPadding() + figure->size().height());
    if (info.showsTip)
        items.append(tipHeight);
    items.append({0.0, skipBlock});
    double fixed = info.columnSpacing * double(items.size() - 1);
    for (double item : items)
        fixed += item;
    const double spacer = std::max(0.0, (h - fixed) / 2);

    Layout layout;
    double y = spacer + info.columnSpacing;
    if (info.showsRing) {
        layout.ring = QRectF((w - ringSize) / 2, y, ringSize, ringSize);
        y += ringSize + info.columnSpacing;
    }
    if (figure) {
        const QSizeF size = figure->size();
        layout.figure = QRectF(QPointF((w - size.width()) / 2, y + figure->topPadding()), size);
        y += figure->topPadding() + size.height() + info.columnSpacing;
    }
    if (info.showsTip) {
        layout.tip = QRectF(tipPadding, y, std::max(0.0, w - 2 * tipPadding), tipHeight);
        y += tipHeight + info.columnSpacing;
    }
    const double skipTop = y + spacer + info.columnSpacing;
    layout.skipControl = QRectF((w - controlSize) / 2, skipTop, controlSize, controlSize);
    layout.hint = QRectF(0, skipTop + controlSize + hintGap, w, hintHeight);
    return layout;
}

QSizeF RestView::feedbackCardSize() const {
    const double cardWidth = std::min(cardMaxWidth, std::max(0.0, width() - 2 * cardOuterPadding));
    const double textWidth = std::max(1.0, cardWidth - 2 * cardPaddingX);
    const double lineHeight =
        std::min(Fonts::textSize(cardLineFont(), textWidth, Qt::AlignHCenter | Qt::TextWordWrap,
                                 m_skipFeedbackText.value_or(QString()))
                     .height(),
                 3 * QFontMetricsF(cardLineFont()).lineSpacing());
    return {cardWidth, 2 * cardPaddingY + QFontMetricsF(cardTitleFont()).height() + cardSpacing + lineHeight};
}

QRectF RestView::feedbackCardRect() const {
    if (!m_skipFeedbackText)
        return {};
    const QSizeF size = feedbackCardSize();
    return QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

// --- painting

void RestView::paintRing(QPainter& p, const QRectF& ring, qint64 seconds) {
    const QPointF c = ring.center();
    const double dpr = devicePixelRatioF();
    // The halo is blurred once; it is scaled with the breath once a step, and
    // the arc drawn once for each of its values: frames in between only copy.
    const double haloSide = haloDiameter + 4.0 + 8 * haloBlur;
    if (m_halo.isNull()) {
        m_halo = makeLayer(haloSide, dpr, [](QPainter& h, QPointF centre) {
            h.setPen(QPen(withOpacity(Palette::teal(), 0.35), 4.0));
            h.drawEllipse(centre, haloDiameter / 2, haloDiameter / 2);
        });
        blurImage(m_halo, haloBlur * dpr);
    }
    if (m_haloLayer.isNull() || m_haloKey != m_breathValue) {
        const double scale = 1.0 + 0.18 * m_breathValue;
        m_haloLayer = makeLayer(ringLayerSide, dpr, [this, scale, haloSide](QPainter& h, QPointF centre) {
            h.setRenderHint(QPainter::SmoothPixmapTransform);
            h.translate(centre);
            h.scale(scale, scale);
            h.drawImage(QPointF(-haloSide / 2, -haloSide / 2), m_halo);
        });
        m_haloKey = m_breathValue;
    }
    const double fraction = std::clamp(m_arc.valueAt(now()), 0.0, 1.0);
    if (m_arcLayer.isNull() || m_arcKey != fraction) {
        if (m_ringLayer.isNull()) {
            m_ringLayer = makeLayer(ringLayerSide, dpr, [](QPainter& a, QPointF centre) {
                a.setPen(QPen(arcGradient(centre), arcWidth));
                a.drawEllipse(centre, arcRadius, arcRadius);
            });
        }
        m_arcLayer = arcLayer(m_ringLayer, fraction);
        m_arcKey = fraction;
    }
    if (m_trackLayer.isNull()) {
        m_trackLayer = makeLayer(ringLayerSide, dpr, [](QPainter& a, QPointF centre) {
            a.setPen(QPen(white(0.12), arcWidth));
            a.drawEllipse(centre, arcRadius, arcRadius);
        });
    }
    const QPointF corner = c - QPointF(ringLayerSide / 2, ringLayerSide / 2);
    p.drawImage(corner, m_haloLayer);
    p.drawImage(corner, m_trackLayer);
    p.drawImage(corner, m_arcLayer);

    const QFontMetricsF numberMetrics(numberFont());
    const QFontMetricsF breathMetrics(breathFont());
    const double total = numberMetrics.height() + 8.0 + breathMetrics.height();
    const double top = c.y() - total / 2;
    p.setPen(Qt::white);
    Fonts::drawText(p, QRectF(ring.left(), top, ring.width(), numberMetrics.height()), Qt::AlignCenter,
                    QString::number(seconds), numberFont());
    p.setPen(Palette::teal());
    Fonts::drawText(p,
                    QRectF(ring.left() - 40, top + numberMetrics.height() + 8.0, ring.width() + 80,
                           breathMetrics.height()),
                    Qt::AlignCenter, m_breathText, breathFont());
}

void RestView::paintSkipBlock(QPainter& p, const Layout& layout) {
    const double t = now();
    const QPointF c = layout.skipControl.center();
    const double progress = std::clamp(m_progressShown.valueAt(t), 0.0, 1.0);
    const double pressed = m_press.valueAt(t);
    const auto control = [progress, pressed](QPainter& q, QPointF centre) {
        const double r = controlSize / 2;
        q.setBrush(Qt::NoBrush);
        q.setPen(QPen(white(0.2), 3.0, Qt::SolidLine, Qt::FlatCap));
        q.drawEllipse(centre, r, r);
        if (progress > 0.0) {
            q.setPen(QPen(QColor::fromRgbF(1.0f, 0.75f, 0.0f), 4.0, Qt::SolidLine, Qt::RoundCap));
            q.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 90 * 16,
                      -int(std::lround(progress * 360 * 16)));
        }
        const double face = 38.0 * (1.0 - 0.08 * pressed);
        q.setPen(Qt::NoPen);
        q.setBrush(white(0.08 + 0.07 * pressed));
        q.drawEllipse(centre, face, face);
        q.setPen(white(0.9));
        q.setFont(labelFont());
        q.drawText(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), Qt::AlignCenter, u"跳过"_s);
    };
    // At rest the control is copied from a layer; while held it is drawn.
    const double side = controlSize + 10;
    if (progress > 0.0 || pressed > 0.0) {
        p.save();
        control(p, c);
        p.restore();
    } else {
        if (m_skipLayer.isNull())
            m_skipLayer = makeLayer(side, devicePixelRatioF(), control);
        p.drawImage(c - QPointF(side / 2, side / 2), m_skipLayer);
    }

    p.setPen(m_skipFeedbackText ? withOpacity(Palette::orange(), 0.85) : skipHintColor());
    Fonts::drawText(p, layout.hint, Qt::AlignHCenter | Qt::AlignTop,
                    m_skipFeedbackText.value_or(hintIdleText()), hintFont());
}

void RestView::paintFeedbackCard(QPainter& p) {
    if (!m_skipFeedbackText)
        return;
    const double shown = m_card.valueAt(now());
    const QRectF card = feedbackCardRect();
    QPainterPath shape;
    shape.addRoundedRect(card, cardRadius, cardRadius);

    if (m_cardShadowSize != card.size()) {
        m_cardShadow = QImage((card.size() + QSizeF(2 * shadowMargin, 2 * shadowMargin)).toSize(),
                              QImage::Format_ARGB32_Premultiplied);
        m_cardShadow.fill(Qt::transparent);
        QPainter s(&m_cardShadow);
        s.setRenderHint(QPainter::Antialiasing);
        s.setPen(Qt::NoPen);
        s.setBrush(QColor::fromRgbF(0, 0, 0, 0.35f));
        s.drawRoundedRect(QRectF(QPointF(shadowMargin, shadowMargin), card.size()), cardRadius, cardRadius);
        s.end();
        blurImage(m_cardShadow, shadowRadius);
        m_cardShadowSize = card.size();
    }

    p.save();
    p.setOpacity(std::clamp(shown, 0.0, 1.0));
    const double scale = 0.92 + 0.08 * shown;
    p.translate(card.center());
    p.scale(scale, scale);
    p.translate(-card.center());
    p.drawImage(card.topLeft() - QPointF(shadowMargin, shadowMargin - shadowOffsetY), m_cardShadow);
    VisualEffectView().paint(p, shape);
    p.setPen(QPen(withOpacity(Palette::orange(), 0.62), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);

    const QRectF inner = card.adjusted(cardPaddingX, cardPaddingY, -cardPaddingX, -cardPaddingY);
    const double titleHeight = QFontMetricsF(cardTitleFont()).height();
    p.setPen(white(0.72));
    p.setFont(cardTitleFont());
    p.drawText(QRectF(inner.left(), inner.top(), inner.width(), titleHeight), Qt::AlignHCenter | Qt::AlignTop,
               u"已跳过"_s);
    p.setPen(Qt::white);
    p.setClipRect(inner);
    Fonts::drawText(p,
                    QRectF(inner.left(), inner.top() + titleHeight + cardSpacing, inner.width(),
                           inner.height() - titleHeight - cardSpacing),
                    Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, *m_skipFeedbackText, cardLineFont());
    p.restore();
}

void RestView::paintEvent(QPaintEvent* event) {
    // Every antialiased shape Qt fills is handed to its thread pool in slices,
    // clipped away or not: what lies outside the repainted region is skipped.
    const QRegion dirty = event->region();
    const auto needs = [&dirty](const QRectF& area) { return dirty.intersects(area.toAlignedRect()); };
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double t = now();

    const qint64 seconds = m_secondsRemaining ? m_secondsRemaining() : 0;
    if (seconds != m_arcSeconds) {
        const double fraction = m_totalRestSeconds > 0 ? double(seconds) / double(m_totalRestSeconds) : 0.0;
        if (m_arcSeconds < 0)
            m_arc.jump(fraction);
        else
            m_arc.animate(fraction, t, 0.1, Easing::linear);
        m_arcSeconds = seconds;
        scheduleFrames();
    }

    const double fade = m_previousTheme ? m_themeFade.valueAt(t) : 1.0;
    QList<std::pair<RestTheme, double>> layers;
    if (m_previousTheme && (fade < 1.0 || m_figureOut.isAnimating(t)))
        layers.append({*m_previousTheme, 1.0 - fade});
    layers.append({m_theme, std::min(fade, 1.0)});

    for (const auto& [theme, opacity] : layers) {
        if (opacity <= 0.0)
            continue;
        p.setOpacity(opacity);
        look(theme).backdrop->paint(p, rect(), m_backdropTime);
    }
    // A figure's time starts at its first frame.
    if (Look& current = look(m_theme); current.figure && !current.figureStart)
        current.figureStart = t;
    for (const RestTheme theme : layers | std::views::keys) {
        RestFigure* figure = look(theme).figure.get();
        const double shown = m_previousTheme ? (theme == m_theme ? m_figureIn : m_figureOut).valueAt(t) : 1.0;
        if (!figure || shown <= 0.0)
            continue;
        const QRectF place = *layoutFor(theme).figure;
        const FigureState state = figureState(theme, t);
        if (!dirty.intersects(figure->paintedRegion(place, state)))
            continue;
        p.save();
        p.setOpacity(std::min(shown, 1.0));
        if (figure->springsIn()) {
            const QPointF c = place.center();
            p.translate(c);
            p.scale(shown, shown);
            p.translate(-c);
        }
        figure->paint(p, place, state);
        p.restore();
    }
    // One ring and one tip, wherever the change of theme has taken them.
    const Column column = columnAt(t);
    if (column.ring.opacity > 0.0 && needs(column.ring.rect.adjusted(-20, -20, 20, 20))) {
        p.setOpacity(std::min(column.ring.opacity, 1.0));
        paintRing(p, column.ring.rect, seconds);
    }
    if (column.tip.opacity > 0.0 && needs(column.tip.rect)) {
        p.setOpacity(std::min(column.tip.opacity, 1.0));
        p.setPen(white(0.85));
        Fonts::drawText(p, column.tip.rect, Qt::AlignCenter | Qt::TextWordWrap, m_tipText, tipFont());
    }
    p.setOpacity(1.0);
    const Layout layout = layoutFor(m_theme);
    if (needs(layout.skipControl.united(layout.hint).adjusted(-4, -4, 4, 4)))
        paintSkipBlock(p, layout);
    if (needs(feedbackCardRect().adjusted(-shadowMargin, -shadowMargin, shadowMargin, shadowMargin)))
        paintFeedbackCard(p);
}
