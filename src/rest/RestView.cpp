#include "RestView.h"

#include "MouseTouchBridge.h"
#include "RestCopy.h"
#include "RestLayers.h"
#include "ThemeSelectorOverlay.h"
#include "platform/Clock.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QTimer>
#include <cmath>
#include <ranges>

using namespace Qt::StringLiterals;
using namespace RestLayers;

namespace {
constexpr double tipHeight = 60.0;
constexpr double tipPadding = 40.0;
constexpr double hintGap = 12.0;
constexpr double skipBottomPadding = 50.0;
// With reduced motion the figures stand as they are once they have come in.
constexpr double stillFigureSeconds = 2.0;
// Reduced motion: how often the count is checked; it is redrawn only when it changed.
constexpr int stillCheckMs = 250;

QString pickLine(const QStringList& lines) {
    return lines.isEmpty() ? QString() : lines.at(int(QRandomGenerator::system()->bounded(lines.size())));
}

QFont tipFont() {
    return Fonts::system(18);
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
    // Whatever the backdrop leaves uncovered is filled here, not by Qt beforehand.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);

    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    m_clock = [elapsed] { return double(elapsed->nsecsElapsed()) / 1e9; };

    m_breathTimer = new QTimer(this);
    m_breathTimer->setInterval(int(breathTickSeconds * 1000));
    connect(m_breathTimer, &QTimer::timeout, this, [this] {
        if (m_still)
            return stillTick();
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
        const bool whole = m_crossFade.isAnimating(t) || m_card.isAnimating(t);
        const bool arc = m_ring.isAnimating(t);
        const bool skip = m_skip.isAnimating(t);
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

    // Once the card shows, the control stays as the hold left it.
    connect(&m_hold, &SkipHold::started, this, [this] {
        if (m_card.line())
            return;
        m_holdBySpace = m_hold.isSpacePressed();
        m_skip.pressed(now(), animated());
        scheduleFrames();
        update(skipArea());
    });
    connect(&m_hold, &SkipHold::progressed, this, [this](double progress) {
        if (m_card.line())
            return;
        m_skip.progressed(progress);
        update(skipArea());
    });
    connect(&m_hold, &SkipHold::cancelled, this, [this] {
        if (m_card.line())
            return;
        m_skip.released(now(), animated());
        scheduleFrames();
        update(skipArea());
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

RestView::~RestView() = default;

void RestView::setAnimationClock(std::function<double()> clock) {
    m_clock = std::move(clock);
}

void RestView::setReducedMotion(bool reduced) {
    m_still = reduced;
    m_selector->setReducedMotion(reduced);
    m_breathTimer->setInterval(m_still ? stillCheckMs : int(breathTickSeconds * 1000));
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

bool RestView::coversWindow() const {
    return look(m_theme).backdrop->opaque();
}

void RestView::scheduleFrames() {
    if (isVisible() && !m_frameTimer->isActive())
        m_frameTimer->start();
}

QRect RestView::ringArea() const {
    const ThemeCrossFade::Placed ring = columnAt(now()).ring;
    constexpr double r = RestRing::reach;
    return ring.opacity > 0.0 ? ring.rect.adjusted(-r, -r, r, r).toAlignedRect() : QRect();
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

// Reduced motion: the halo and the figure keep still; the count and the
// breath line change in place, and only then is anything redrawn.
void RestView::stillTick() {
    const double shown = std::max(0.0, now() - m_shownAt);
    const QString text = std::fmod(shown, breathCycleSeconds) < 4.0 ? u"慢吸气..."_s : u"慢呼气..."_s;
    const qint64 seconds = secondsRemaining();
    if (text == m_breathText && !m_ring.setSeconds(seconds, m_totalRestSeconds, now(), false))
        return;
    m_breathText = text;
    update(ringArea());
    // A figure showing the count says where it changed.
    if (const auto place = layoutFor(m_theme).figure)
        update(look(m_theme).figure->advance(*place, figureState(m_theme, now())));
}

// --- theme

void RestView::applyTheme(RestTheme theme) {
    if (theme == m_theme)
        return;
    const double t = now();
    const RestTheme previous = m_theme;
    const ThemeCrossFade::Column from = columnAt(t);
    m_theme = theme;
    m_selector->setCurrentTheme(theme);
    // A theme chosen mid-rest starts its figure afresh, as a new rest would.
    Look& chosen = look(theme);
    chosen.figureStart.reset();
    if (chosen.figure)
        chosen.figure->restart();
    const auto springs = [this](RestTheme of) {
        const RestFigure* figure = look(of).figure.get();
        return figure && figure->springsIn();
    };
    m_crossFade.start(previous, from, {springs(previous), springs(theme)}, t, animated());
    m_bridge->setGeometry(layoutFor(m_theme).skipControl.toAlignedRect());
    if (isVisible())
        startBackdropFrames();
    scheduleFrames();
    update();
}

FigureState RestView::figureState(RestTheme theme, double t) const {
    const std::optional<double> start = look(theme).figureStart;
    const double seconds = m_still ? stillFigureSeconds : start ? t - *start : 0.0;
    return {seconds,    m_breathValue, secondsRemaining(), std::max<qint64>(m_totalRestSeconds, 1),
            m_subtitle, m_still};
}

QRegion RestView::figureRegion(RestTheme theme, double t) const {
    const auto rect = layoutFor(theme).figure;
    return rect ? look(theme).figure->paintedRegion(*rect, figureState(theme, t)) : QRegion();
}

ThemeCrossFade::Column RestView::columnAt(double t) const {
    const Layout to = layoutFor(m_theme);
    return m_crossFade.column(to.ring, to.tip, t);
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
    setMouseTracking(!m_still && current.backdrop->wantsPointer());
    int interval = 0;
    if (current.backdrop->animates())
        interval = current.backdrop->frameIntervalMs();
    if (current.figure && current.figure->animates())
        interval = interval ? std::min(interval, current.figure->frameIntervalMs())
                            : current.figure->frameIntervalMs();
    if (interval > 0 && !m_still)
        m_backdropTimer->start(interval);
    else
        m_backdropTimer->stop();
}

// --- skip gesture

void RestView::spaceKey(bool pressed, bool autoRepeat) {
    if (pressed)
        m_hold.spacePress(now(), autoRepeat);
    else
        m_hold.spaceRelease(now(), autoRepeat);
    holdChanged();
}

void RestView::holdChanged() {
    if (m_hold.needsTicks() && !m_holdTimer->isActive() && !m_card.line())
        m_holdTimer->start();
    else if (!m_hold.needsTicks() || m_card.line())
        m_holdTimer->stop();
}

void RestView::showSkipped(const QString& line) {
    if (m_card.line())
        return;
    const double t = now();
    m_skip.completed(1.0, t, animated());
    m_card.show(line, t, animated());
    holdChanged();
    scheduleFrames();
    update();
}

void RestView::skipCompleted() {
    if (m_card.line())
        return;
    const QString line = pickLine(RestCopy::restSkipLines());
    const double t = now();
    m_skip.completed(m_hold.progress(), t, animated());
    m_card.show(line, t, animated());
    scheduleFrames();
    update();
    Clock::after(int(skipReportDelaySeconds * 1000), this, [this, line] {
        if (m_onSkip)
            m_onSkip(line);
    });
    Q_EMIT skipped(line, m_holdBySpace);
}

QColor RestView::skipHintColor() const {
    return white(RestThemes::info(m_theme).hintOpacity);
}

// --- lifecycle

void RestView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_wasShown) {
        m_wasShown = true;
        m_shownAt = now();
        m_tipText = pickLine(RestCopy::restTips());
    }
    m_breathTimer->start();
    startBackdropFrames();
    scheduleFrames();
}

void RestView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
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
    m_ring.releaseCaches();
    m_skip.releaseCaches();
    m_card.releaseCaches();
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
    const double hintHeight = SkipControl::hintHeight();
    const double skipBlock = SkipControl::side + hintGap + hintHeight + skipBottomPadding;
    // The column: spacer, ring, figure, tip, spacer, skip block.
    QList<double> items{0.0};
    if (info.showsRing)
        items.append(RestRing::side);
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
        layout.ring = QRectF((w - RestRing::side) / 2, y, RestRing::side, RestRing::side);
        y += RestRing::side + info.columnSpacing;
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
    layout.skipControl = QRectF((w - SkipControl::side) / 2, skipTop, SkipControl::side, SkipControl::side);
    layout.hint = QRectF(0, skipTop + SkipControl::side + hintGap, w, hintHeight);
    return layout;
}

// --- painting

void RestView::paintEvent(QPaintEvent* event) {
    // Every antialiased shape Qt fills is handed to its thread pool in slices,
    // clipped away or not: what lies outside the repainted region is skipped.
    const QRegion dirty = event->region();
    const auto needs = [&dirty](const QRectF& area) { return dirty.intersects(area.toAlignedRect()); };
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double t = now();

    const qint64 seconds = secondsRemaining();
    if (m_ring.setSeconds(seconds, m_totalRestSeconds, t, animated()))
        scheduleFrames();

    const auto layers = m_crossFade.layers(m_theme, t);
    // A translucent window starts each paint cleared; an opaque one shows
    // black wherever no backdrop covers it fully.
    const bool covered = layers.size() == 1 && coversWindow();
    if (!covered && !window()->testAttribute(Qt::WA_TranslucentBackground)) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& r : dirty)
            p.fillRect(r, Qt::black);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
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
        const double shown = m_crossFade.figureShown(theme == m_theme, t);
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
    const ThemeCrossFade::Column column = columnAt(t);
    constexpr double r = RestRing::reach;
    if (column.ring.opacity > 0.0 && needs(column.ring.rect.adjusted(-r, -r, r, r))) {
        p.setOpacity(std::min(column.ring.opacity, 1.0));
        m_ring.paint(p, column.ring.rect, m_breathValue, m_breathText, t, devicePixelRatioF());
    }
    if (column.tip.opacity > 0.0 && needs(column.tip.rect)) {
        p.setOpacity(std::min(column.tip.opacity, 1.0));
        p.setPen(white(0.85));
        Fonts::drawText(p, column.tip.rect, Qt::AlignCenter | Qt::TextWordWrap, m_tipText, tipFont());
    }
    p.setOpacity(1.0);
    const Layout layout = layoutFor(m_theme);
    if (needs(layout.skipControl.united(layout.hint).adjusted(-4, -4, 4, 4))) {
        const std::optional<QString>& line = m_card.line();
        m_skip.paint(p, layout.skipControl, layout.hint, line.value_or(hintIdleText()),
                     line ? withOpacity(Palette::orange(), 0.85) : skipHintColor(), t, devicePixelRatioF());
    }
    constexpr int m = FeedbackCard::shadowMargin;
    if (needs(feedbackCardRect().adjusted(-m, -m, m, m)))
        m_card.paint(p, size(), t);
}
