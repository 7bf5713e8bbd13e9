#include "RestView.h"

#include "MouseTouchBridge.h"
#include "RestCopy.h"
#include "VisualEffectView.h"
#include "platform/Defaults.h"
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

using namespace Qt::StringLiterals;

namespace {
constexpr double columnSpacing = 40.0;
constexpr double ringSize = 240.0;
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
const Spring cardSpring{0.32, 0.78};

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

const QFont& numberFont() {
    static const QFont font = Fonts::system(56, QFont::Bold, Fonts::Design::rounded);
    return font;
}
const QFont& breathFont() {
    static const QFont font = Fonts::system(16, QFont::Medium);
    return font;
}
const QFont& tipFont() {
    static const QFont font = Fonts::system(18);
    return font;
}
const QFont& labelFont() {
    static const QFont font = Fonts::system(14, QFont::Bold);
    return font;
}
const QFont& hintFont() {
    static const QFont font = Fonts::system(11);
    return font;
}
const QFont& cardTitleFont() {
    static const QFont font = Fonts::system(13, QFont::Bold);
    return font;
}
const QFont& cardLineFont() {
    static const QFont font = Fonts::system(28, QFont::Bold, Fonts::Design::rounded);
    return font;
}

QString hintIdleText() {
    return u"长按 1.5 秒跳过（眼睛会记账）"_s;
}
} // namespace

RestView::RestView(qint64 totalRestSeconds, SecondsRemaining secondsRemaining, QString ultramanSubtitle,
                   SkipHandler onSkip, Defaults& defaults, QWidget* parent)
    : QWidget(parent)
    , m_totalRestSeconds(totalRestSeconds)
    , m_secondsRemaining(std::move(secondsRemaining))
    , m_ultramanSubtitle(std::move(ultramanSubtitle))
    , m_onSkip(std::move(onSkip))
    , m_defaults(defaults)
    , m_breathText(u"吸气..."_s)
    , m_theme(RestThemes::selected(defaults)) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);

    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    m_clock = [elapsed] { return double(elapsed->nsecsElapsed()) / 1e9; };

    m_breathTimer = new QTimer(this);
    m_breathTimer->setInterval(int(breathTickSeconds * 1000));
    connect(m_breathTimer, &QTimer::timeout, this, [this] {
        breathingTick();
        // The glows drift a few points a tick under a blur of 80: redrawing
        // them every other tick cannot be seen and halves the cost of a rest.
        if (++m_breathTicks % 2 == 0)
            update();
        else if (const auto ring = layoutFor(m_theme).ring)
            update(ring->adjusted(-20, -20, 20, 20).toAlignedRect());
    });
    // Frames at display rate only while something moves faster than the breath.
    m_frameTimer = new QTimer(this);
    m_frameTimer->setInterval(16);
    m_frameTimer->setTimerType(Qt::PreciseTimer);
    connect(m_frameTimer, &QTimer::timeout, this, [this] {
        const double t = now();
        const bool moving = m_themeFade.isAnimating(t) || m_press.isAnimating(t) ||
                            m_progressShown.isAnimating(t) || m_card.isAnimating(t) || m_arc.isAnimating(t);
        if (m_themeFade.isAnimating(t) || m_card.isAnimating(t))
            update();
        else
            update(layoutFor(m_theme)
                       .skipControl.adjusted(-4, -4, 4, 4)
                       .toAlignedRect()
                       .united(layoutFor(m_theme).ring.value_or(QRectF()).toAlignedRect()));
        if (!moving)
            m_frameTimer->stop();
    });

    // X11 repeats a held key as release/press pairs. Qt marks a pair as a
    // repeat only when both have arrived, which under load they may not have:
    // a release counts once no press follows it within a few frames.
    m_spaceReleaseTimer = new QTimer(this);
    m_spaceReleaseTimer->setSingleShot(true);
    m_spaceReleaseTimer->setInterval(spaceReleaseSettleMs);
    connect(m_spaceReleaseTimer, &QTimer::timeout, this, &RestView::releaseSpace);

    m_bridge = new MouseTouchBridge([this] { mouseDownOnSkip(); }, [this] { mouseUpOnSkip(); }, this);

    connect(&defaults, &Defaults::changed, this, [this](const QString& key) {
        if (key == RestThemes::settingsKey)
            applyTheme(RestThemes::selected(m_defaults));
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

void RestView::scheduleFrames() {
    if (isVisible() && !m_frameTimer->isActive())
        m_frameTimer->start();
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
    m_previousTheme = m_theme;
    m_theme = theme;
    m_themeFade.jump(0.0);
    m_themeFade.animate(1.0, now(), themeFadeSeconds, Easing::easeInOut);
    scheduleFrames();
    update();
}

// --- skip gesture

void RestView::mouseDownOnSkip() {
    if (!m_isPressingSkip && !m_isCompletingSkip)
        startSkipTimer(holdSeconds);
}

void RestView::mouseUpOnSkip() {
    if (!m_isCompletingSkip)
        stopSkipTimer();
}

void RestView::startSkipTimer(double duration) {
    m_isPressingSkip = true;
    m_skipProgress = 0.0;
    m_progressShown.jump(0.0);
    m_press.animate(1.0, now(), 0.15, Easing::easeOut);
    delete m_skipTimer;
    m_skipTimer = new QTimer(this);
    m_skipTimer->setInterval(int(holdTickSeconds * 1000));
    m_skipTimer->setTimerType(Qt::PreciseTimer);
    m_holdDuration = duration;
    connect(m_skipTimer, &QTimer::timeout, this, &RestView::skipTimerTick);
    m_skipTimer->start();
    scheduleFrames();
}

void RestView::skipTimerTick() {
    if (!m_isPressingSkip || m_isCompletingSkip || m_completionAwaitsRelease)
        return;
    m_skipProgress += holdTickSeconds / m_holdDuration;
    if (m_skipProgress >= 1.0) {
        m_skipProgress = 1.0;
        // A Space release still settling may be the end of the hold: a key
        // let go before the last tick must not skip.
        if (m_spaceReleaseTimer->isActive())
            m_completionAwaitsRelease = true;
        else
            completeSkip();
    }
    m_progressShown.jump(m_skipProgress);
    update(layoutFor(m_theme).skipControl.adjusted(-4, -4, 4, 4).toAlignedRect());
}

void RestView::stopSkipTimer() {
    m_isPressingSkip = false;
    m_completionAwaitsRelease = false;
    delete m_skipTimer;
    m_skipTimer = nullptr;
    const double t = now();
    m_press.animate(0.0, t, 0.15, Easing::easeOut);
    m_progressShown.animate(0.0, t, 0.2, Easing::easeOut);
    m_skipProgress = 0.0;
    scheduleFrames();
}

void RestView::completeSkip() {
    if (m_isCompletingSkip)
        return;
    m_isCompletingSkip = true;
    m_isPressingSkip = false;
    m_isSpacePressed = false;
    if (m_skipTimer) {
        m_skipTimer->stop();
        m_skipTimer->deleteLater();
        m_skipTimer = nullptr;
    }
    const double t = now();
    m_press.animate(0.0, t, 0.15, Easing::easeOut);
    m_progressShown.jump(m_skipProgress);
    const QString line = pickLine(RestCopy::restSkipLines());
    m_skipFeedbackText = line;
    m_card.animate(1.0, t, cardSpring);
    scheduleFrames();
    update();
    QTimer::singleShot(int(skipReportDelaySeconds * 1000), this, [this, line] {
        if (m_onSkip)
            m_onSkip(line);
    });
}

QColor RestView::skipHintColor() const {
    return white(m_theme == RestTheme::ultraman ? 0.6 : 0.4);
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

bool RestView::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space)
            return handleSpaceKey(event);
    }
    return QWidget::eventFilter(watched, event);
}

bool RestView::handleSpaceKey(QEvent* event) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat() || event->type() == QEvent::ShortcutOverride)
        return true;
    if (event->type() == QEvent::KeyPress) {
        // A press right behind a release is the key repeating, not a new press.
        if (m_spaceReleaseTimer->isActive()) {
            m_spaceReleaseTimer->stop();
            if (m_completionAwaitsRelease) {
                m_completionAwaitsRelease = false;
                completeSkip();
            }
            return true;
        }
        if (!m_isPressingSkip && !m_isSpacePressed && !m_isCompletingSkip) {
            m_isSpacePressed = true;
            startSkipTimer(holdSeconds);
        }
    } else if (m_isSpacePressed && !m_isCompletingSkip) {
        m_spaceReleaseTimer->start();
    }
    return true;
}

void RestView::releaseSpace() {
    if (m_isSpacePressed && !m_isCompletingSkip) {
        m_isSpacePressed = false;
        stopSkipTimer();
    }
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
    m_breathTimer->start();
    scheduleFrames();
}

void RestView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    removeSpaceKeyMonitor();
    m_spaceReleaseTimer->stop();
    if (m_isPressingSkip)
        stopSkipTimer();
    // A hidden view between rests must cost nothing.
    m_breathTimer->stop();
    m_frameTimer->stop();
}

void RestView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_bridge->setGeometry(layoutFor(m_theme).skipControl.toAlignedRect());
}

// --- layout

double RestView::hintHeight() const {
    return QFontMetricsF(hintFont()).height();
}

RestView::Layout RestView::layoutFor(RestTheme theme) const {
    const double w = width();
    const double h = height();
    const double skipBlock = controlSize + hintGap + hintHeight() + skipBottomPadding;
    Layout layout;
    double skipTop = 0;
    if (theme == RestTheme::ultraman) {
        // Spacer, hero, spacer, skip block, without spacing.
        const double spacer = std::max(0.0, (h - skipBlock) / 2);
        skipTop = 2 * spacer;
    } else {
        const double fixed = ringSize + tipHeight + skipBlock + 4 * columnSpacing;
        const double spacer = std::max(0.0, (h - fixed) / 2);
        const double ringTop = spacer + columnSpacing;
        layout.ring = QRectF((w - ringSize) / 2, ringTop, ringSize, ringSize);
        const double tipTop = ringTop + ringSize + columnSpacing;
        layout.tip = QRectF(tipPadding, tipTop, std::max(0.0, w - 2 * tipPadding), tipHeight);
        skipTop = tipTop + tipHeight + columnSpacing + spacer + columnSpacing;
    }
    layout.skipControl = QRectF((w - controlSize) / 2, skipTop, controlSize, controlSize);
    layout.hint = QRectF(0, skipTop + controlSize + hintGap, w, hintHeight());
    return layout;
}

QSizeF RestView::feedbackCardSize() const {
    const double cardWidth = std::min(cardMaxWidth, std::max(0.0, width() - 2 * cardOuterPadding));
    const double textWidth = std::max(1.0, cardWidth - 2 * cardPaddingX);
    const QFontMetricsF title(cardTitleFont());
    const QFontMetricsF line(cardLineFont());
    const QRectF lineBox =
        line.boundingRect(QRectF(0, 0, textWidth, 1e6), Qt::AlignHCenter | Qt::TextWordWrap,
                          m_skipFeedbackText.value_or(QString()));
    const double lineHeight = std::min(lineBox.height(), 3 * line.lineSpacing());
    return {cardWidth, 2 * cardPaddingY + title.height() + cardSpacing + lineHeight};
}

QRectF RestView::feedbackCardRect() const {
    if (!m_skipFeedbackText)
        return {};
    const QSizeF size = feedbackCardSize();
    return QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

// --- painting

void RestView::paintBackground(QPainter& p, RestTheme theme, bool refresh) {
    const QRectF all = rect();
    switch (theme) {
    case RestTheme::aurora:
    case RestTheme::wallpaper:
        m_classic.paint(p, all, now() - m_shownAt, refresh);
        break;
    case RestTheme::ultraman: {
        p.fillRect(all, QColor::fromRgbF(0, 0, 0, 0.72f));
        const double outer = 900.0;
        QRadialGradient vignette(all.center(), outer);
        vignette.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0));
        vignette.setColorAt(200.0 / outer, QColor::fromRgbF(0, 0, 0, 0));
        vignette.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.25f));
        p.fillRect(all, vignette);
        break;
    }
    }
}

void RestView::paintRing(QPainter& p, const QRectF& ring, qint64 seconds) {
    const QPointF c = ring.center();
    const double scale = 1.0 + 0.18 * m_breathValue;
    // The halo's soft edge: a wide faint stroke under the 4 pt one.
    const double halo = 110.0 * scale;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(withOpacity(Palette::teal(), 0.12), 8.0 * scale));
    p.drawEllipse(c, halo, halo);
    p.setPen(QPen(withOpacity(Palette::teal(), 0.35), 4.0 * scale));
    p.drawEllipse(c, halo, halo);

    const double r = 95.0;
    p.setPen(QPen(white(0.12), 8.0));
    p.drawEllipse(c, r, r);

    const double fraction = std::clamp(m_arc.valueAt(now()), 0.0, 1.0);
    if (fraction > 0.0) {
        // Drawn from 12 o'clock clockwise; the gradient turns with the arc.
        QLinearGradient gradient(c.x() - r, c.y(), c.x() + r, c.y());
        gradient.setColorAt(0, Palette::teal());
        gradient.setColorAt(1, Palette::cyan());
        QPen pen(QBrush(gradient), 8.0, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 90 * 16,
                  -int(std::lround(fraction * 360 * 16)));
    }

    const QFontMetricsF numberMetrics(numberFont());
    const QFontMetricsF breathMetrics(breathFont());
    const double total = numberMetrics.height() + 8.0 + breathMetrics.height();
    const double top = c.y() - total / 2;
    p.setPen(Qt::white);
    p.setFont(numberFont());
    p.drawText(QRectF(ring.left(), top, ring.width(), numberMetrics.height()), Qt::AlignCenter,
               QString::number(seconds));
    p.setPen(Palette::teal());
    p.setFont(breathFont());
    p.drawText(QRectF(ring.left() - 40, top + numberMetrics.height() + 8.0, ring.width() + 80,
                      breathMetrics.height()),
               Qt::AlignCenter, m_breathText);
}

void RestView::paintTip(QPainter& p, const QRectF& tip) {
    p.setPen(white(0.85));
    p.setFont(tipFont());
    p.drawText(tip, Qt::AlignCenter | Qt::TextWordWrap, m_tipText);
}

void RestView::paintSkipBlock(QPainter& p, const Layout& layout) {
    const double t = now();
    const QPointF c = layout.skipControl.center();
    const double r = controlSize / 2;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(white(0.2), 3.0, Qt::SolidLine, Qt::FlatCap));
    p.drawEllipse(c, r, r);

    const double progress = std::clamp(m_progressShown.valueAt(t), 0.0, 1.0);
    if (progress > 0.0) {
        p.setPen(QPen(QColor::fromRgbF(1.0f, 0.75f, 0.0f), 4.0, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 90 * 16,
                  -int(std::lround(progress * 360 * 16)));
    }

    const double pressed = m_press.valueAt(t);
    const double face = 38.0 * (1.0 - 0.08 * pressed);
    p.setPen(Qt::NoPen);
    p.setBrush(white(0.08 + 0.07 * pressed));
    p.drawEllipse(c, face, face);

    p.setPen(white(0.9));
    p.setFont(labelFont());
    p.drawText(layout.skipControl, Qt::AlignCenter, u"跳过"_s);

    p.setFont(hintFont());
    if (m_skipFeedbackText) {
        p.setPen(withOpacity(Palette::orange(), 0.85));
        p.drawText(layout.hint, Qt::AlignHCenter | Qt::AlignTop, *m_skipFeedbackText);
    } else {
        p.setPen(skipHintColor());
        p.drawText(layout.hint, Qt::AlignHCenter | Qt::AlignTop, hintIdleText());
    }
}

void RestView::paintFeedbackCard(QPainter& p) {
    if (!m_skipFeedbackText)
        return;
    const double shown = m_card.valueAt(now());
    const QRectF card = feedbackCardRect();
    const QPainterPath shape = [&] {
        QPainterPath path;
        path.addRoundedRect(card, cardRadius, cardRadius);
        return path;
    }();

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
    const QFontMetricsF title(cardTitleFont());
    p.setPen(white(0.72));
    p.setFont(cardTitleFont());
    p.drawText(QRectF(inner.left(), inner.top(), inner.width(), title.height()),
               Qt::AlignHCenter | Qt::AlignTop, u"已跳过"_s);
    p.setPen(Qt::white);
    p.setFont(cardLineFont());
    p.setClipRect(inner);
    p.drawText(QRectF(inner.left(), inner.top() + title.height() + cardSpacing, inner.width(),
                      inner.height() - title.height() - cardSpacing),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, *m_skipFeedbackText);
    p.restore();
}

void RestView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const bool refresh = event->rect() == rect();
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
    if (m_previousTheme && fade < 1.0)
        layers.append({*m_previousTheme, 1.0 - fade});
    layers.append({m_theme, fade < 1.0 ? fade : 1.0});

    for (const auto& [theme, opacity] : layers) {
        p.setOpacity(opacity);
        paintBackground(p, theme, refresh);
    }
    for (const auto& [theme, opacity] : layers) {
        p.setOpacity(opacity);
        const Layout layout = layoutFor(theme);
        if (layout.ring)
            paintRing(p, *layout.ring, seconds);
        if (layout.tip)
            paintTip(p, *layout.tip);
    }
    p.setOpacity(1.0);
    paintSkipBlock(p, layoutFor(m_theme));
    paintFeedbackCard(p);
}
