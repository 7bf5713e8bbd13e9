#include "ThemeSelectorOverlay.h"

#include "VisualEffectView.h"
#include "ui/Blur.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QElapsedTimer>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolTip>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr double outerPadding = 20.0;
constexpr double rowSpacing = 10.0;
constexpr double button = 32.0;
constexpr double itemSpacing = 8.0;
constexpr double dot = 4.0;
constexpr double sliderWidth = 110.0;
constexpr double valueWidth = 18.0;
constexpr double sliderHeight = 20.0;
constexpr double hoverSeconds = 0.35;
constexpr double choiceSeconds = 0.4;
const Spring dotSpring{0.3, 0.6};

const QFont& labelFont() {
    static const QFont font = Fonts::system(11, QFont::Bold);
    return font;
}
const QFont& iconFont() {
    static const QFont font = Fonts::system(14);
    return font;
}
const QFont& valueFont() {
    static const QFont font = Fonts::system(10, QFont::Bold, Fonts::Design::rounded);
    return font;
}
QString themeLabel() {
    return u"主题:"_s;
}
QString blurLabelText() {
    return u"模糊:"_s;
}
QColor white(double opacity) {
    return QColor::fromRgbF(1, 1, 1, float(opacity));
}
QColor teal(double opacity) {
    QColor c = Palette::teal();
    c.setAlphaF(float(opacity));
    return c;
}
int indexOf(RestTheme theme) {
    return int(RestThemes::allCases().indexOf(theme));
}
QSizeF themeRowSize() {
    const double label = QFontMetricsF(labelFont()).horizontalAdvance(themeLabel()) + 4;
    return {10 + label + 3 * (itemSpacing + button) + 10, 8 + button + 4 + dot + 6};
}
QSizeF blurRowSize() {
    const double label = QFontMetricsF(labelFont()).horizontalAdvance(blurLabelText());
    const double height = std::max(sliderHeight, QFontMetricsF(labelFont()).height());
    return {10 + label + itemSpacing + sliderWidth + itemSpacing + valueWidth + 10, 6 + height + 6};
}
QPainterPath rounded(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}
QColor mix(const QColor& from, const QColor& to, double k) {
    const auto at = [k](float a, float b) { return float(a + (b - a) * k); };
    return QColor::fromRgbF(at(from.redF(), to.redF()), at(from.greenF(), to.greenF()),
                            at(from.blueF(), to.blueF()), at(from.alphaF(), to.alphaF()));
}
constexpr double shadowRadius = 4.0;
// Room around a button for its shadow's blur.
constexpr double shadowMargin = 3 * shadowRadius;
} // namespace

ThemeSelectorOverlay::ThemeSelectorOverlay(RestTheme current, double blurRadius, ThemeChosen onThemeChosen,
                                           BlurRadiusChanged onBlurRadiusChanged, QWidget* parent)
    : QWidget(parent)
    , m_theme(current)
    , m_blurRadius(sanitisedBlurRadius(blurRadius))
    , m_onThemeChosen(std::move(onThemeChosen))
    , m_onBlurRadiusChanged(std::move(onBlurRadiusChanged)) {
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    m_clock = [elapsed] { return double(elapsed->nsecsElapsed()) / 1e9; };
    for (RestTheme theme : RestThemes::allCases()) {
        m_dots[size_t(indexOf(theme))].jump(theme == current ? 1.0 : 0.0);
        m_chosen[size_t(indexOf(theme))].jump(theme == current ? 1.0 : 0.0);
    }
    m_blurRowShown.jump(current == RestTheme::wallpaper ? 1.0 : 0.0);
    // Frames only while something moves.
    m_frameTimer = new QTimer(this);
    m_frameTimer->setInterval(16);
    connect(m_frameTimer, &QTimer::timeout, this, [this] {
        update();
        const double t = now();
        bool moving = m_fade.isAnimating(t) || m_blurRowShown.isAnimating(t);
        for (size_t i = 0; i < m_dots.size(); ++i)
            moving = moving || m_dots[i].isAnimating(t) || m_chosen[i].isAnimating(t);
        if (!moving)
            m_frameTimer->stop();
    });
    resize(sizeHint());
}

void ThemeSelectorOverlay::setAnimationClock(std::function<double()> clock) {
    m_clock = std::move(clock);
}

double ThemeSelectorOverlay::now() const {
    return m_clock();
}

void ThemeSelectorOverlay::animate() {
    update();
    if (m_still) {
        for (Tween* tween : {&m_fade, &m_blurRowShown, &m_dots[0], &m_dots[1], &m_dots[2], &m_chosen[0],
                             &m_chosen[1], &m_chosen[2]})
            tween->jump(tween->target());
        return;
    }
    if (isVisible() && !m_frameTimer->isActive())
        m_frameTimer->start();
}

QString ThemeSelectorOverlay::blurLabel(double radius) {
    return QString::number(int(std::trunc(sanitisedBlurRadius(radius))));
}

void ThemeSelectorOverlay::setCurrentTheme(RestTheme theme) {
    if (theme == m_theme)
        return;
    const double t = now();
    m_dots[size_t(indexOf(m_theme))].animate(0.0, t, dotSpring);
    m_dots[size_t(indexOf(theme))].animate(1.0, t, dotSpring);
    m_chosen[size_t(indexOf(m_theme))].animate(0.0, t, choiceSeconds, Easing::easeInOut);
    m_chosen[size_t(indexOf(theme))].animate(1.0, t, choiceSeconds, Easing::easeInOut);
    if ((theme == RestTheme::wallpaper) != (m_theme == RestTheme::wallpaper))
        m_blurRowShown.animate(theme == RestTheme::wallpaper ? 1.0 : 0.0, t, choiceSeconds,
                               Easing::easeInOut);
    m_theme = theme;
    animate();
}

void ThemeSelectorOverlay::setBlurRadius(double radius) {
    m_blurRadius = sanitisedBlurRadius(radius);
    update();
}

bool ThemeSelectorOverlay::showsBlurRow() const {
    return m_theme == RestTheme::wallpaper;
}

// --- geometry

QSize ThemeSelectorOverlay::sizeHint() const {
    const QSizeF theme = themeRowSize();
    const QSizeF blur = blurRowSize();
    return QSizeF(std::max(theme.width(), blur.width()) + outerPadding,
                  outerPadding + theme.height() + rowSpacing + blur.height())
        .toSize();
}

QRectF ThemeSelectorOverlay::themeRow() const {
    const QSizeF size = themeRowSize();
    return {width() - outerPadding - size.width(), outerPadding, size.width(), size.height()};
}

QRectF ThemeSelectorOverlay::blurRow() const {
    const QSizeF size = blurRowSize();
    return {width() - outerPadding - size.width(), themeRow().bottom() + rowSpacing, size.width(),
            size.height()};
}

QRectF ThemeSelectorOverlay::buttonRect(RestTheme theme) const {
    const QRectF row = themeRow();
    const double right = row.right() - 10;
    const double left = right - 3 * button - 2 * itemSpacing + indexOf(theme) * (button + itemSpacing);
    return {left, row.top() + 8, button, button};
}

QRectF ThemeSelectorOverlay::sliderTrack() const {
    const QRectF row = blurRow();
    const double left = row.right() - 10 - valueWidth - itemSpacing - sliderWidth;
    return {left, row.center().y() - sliderHeight / 2, sliderWidth, sliderHeight};
}

// --- input

void ThemeSelectorOverlay::setHovered(bool hovered) {
    if (hovered == m_hovered)
        return;
    m_hovered = hovered;
    m_fade.animate(hovered ? 1.0 : faintOpacity, now(), hoverSeconds, Easing::easeInOut);
    animate();
}

bool ThemeSelectorOverlay::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        for (RestTheme theme : RestThemes::allCases()) {
            if (buttonRect(theme).contains(help->pos())) {
                QToolTip::showText(help->globalPos(), RestThemes::displayName(theme), this,
                                   buttonRect(theme).toAlignedRect());
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void ThemeSelectorOverlay::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (m_dragging) {
        slideTo(at.x());
        return;
    }
    setHovered(themeRow().contains(at) || (showsBlurRow() && blurRow().contains(at)));
}

void ThemeSelectorOverlay::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    for (RestTheme theme : RestThemes::allCases()) {
        if (buttonRect(theme).contains(at)) {
            setCurrentTheme(theme);
            // The same theme again is stored again; nothing visible changes.
            if (m_onThemeChosen)
                m_onThemeChosen(theme);
            return;
        }
    }
    if (showsBlurRow() && sliderTrack().adjusted(-8, -4, 8, 4).contains(at)) {
        m_dragging = true;
        slideTo(at.x());
        return;
    }
    event->ignore();
}

void ThemeSelectorOverlay::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragging && event->button() == Qt::LeftButton)
        m_dragging = false;
    else
        event->ignore();
}

void ThemeSelectorOverlay::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHovered(false);
}

void ThemeSelectorOverlay::slideTo(double x) {
    const QRectF track = sliderTrack();
    const double radius = std::clamp((x - track.left()) / track.width(), 0.0, 1.0) * maxBlurRadius;
    m_blurRadius = radius;
    update();
    if (m_onBlurRadiusChanged)
        m_onBlurRadiusChanged(radius);
}

// --- painting

void ThemeSelectorOverlay::paintEvent(QPaintEvent*) {
    // Fireflies passing underneath repaint the selector at their rate: while
    // nothing of its own moves, it is one image drawn again.
    const double t = now();
    const qreal dpr = devicePixelRatioF();
    QList<double> key{m_fade.valueAt(t), double(m_theme), m_blurRowShown.valueAt(t), m_blurRadius, dpr};
    for (size_t i = 0; i < m_dots.size(); ++i)
        key << m_dots[i].valueAt(t) << m_chosen[i].valueAt(t);
    if (key != m_pictureKey || m_picture.size() != size() * dpr) {
        m_picture = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
        m_picture.setDevicePixelRatio(dpr);
        m_picture.fill(Qt::transparent);
        QPainter p(&m_picture);
        paintSelector(p, t);
        m_pictureKey = key;
    }
    QPainter(this).drawImage(0, 0, m_picture);
}

// A button's fill, icon and outline, `chosen` of the way from plain to chosen.
void ThemeSelectorOverlay::paintButton(QPainter& p, RestTheme theme, double chosen) const {
    const QRectF box = buttonRect(theme);
    const QPainterPath shape = rounded(box, 8);
    p.fillPath(shape, mix(white(0.08), teal(0.25), chosen));
    p.setFont(iconFont());
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, RestThemes::icon(theme));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(mix(white(0.15), teal(1.0), chosen), 1 + chosen));
    p.drawPath(shape);
}

// What the chosen button casts: its whole look, teal at 0.4, blurred by 4.
const QImage& ThemeSelectorOverlay::shadow(RestTheme theme, qreal dpr) {
    QImage& image = m_shadows[size_t(indexOf(theme))];
    if (!image.isNull() && image.devicePixelRatio() == dpr)
        return image;
    const QRectF area = buttonRect(theme).adjusted(-shadowMargin, -shadowMargin, shadowMargin, shadowMargin);
    image = QImage((area.size() * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(-area.topLeft());
    paintButton(p, theme, 1.0);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(area, teal(0.4));
    p.end();
    blurImage(image, shadowRadius * dpr);
    image.setDevicePixelRatio(dpr);
    return image;
}

void ThemeSelectorOverlay::paintSelector(QPainter& p, double t) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setOpacity(std::clamp(m_fade.valueAt(t), 0.0, 1.0));
    const double base = p.opacity();

    // The blur row first: it slides in from behind the theme row.
    const double rowShown = std::clamp(m_blurRowShown.valueAt(t), 0.0, 1.0);
    if (rowShown > 0.0) {
        const QRectF blur = blurRow();
        p.save();
        p.translate(0, -(1 - rowShown) * (blur.height() + rowSpacing));
        p.setOpacity(base * rowShown);
        VisualEffectView().paint(p, rounded(blur, 10));
        p.setFont(labelFont());
        p.setPen(white(0.6));
        p.drawText(QRectF(blur.left() + 10, blur.top(), 100, blur.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   blurLabelText());

        const QRectF track = sliderTrack();
        const double share = m_blurRadius / maxBlurRadius;
        const double cy = track.center().y();
        p.setPen(Qt::NoPen);
        p.setBrush(white(0.25));
        p.drawRoundedRect(QRectF(track.left(), cy - 2, track.width(), 4), 2, 2);
        p.setBrush(Palette::teal());
        p.drawRoundedRect(QRectF(track.left(), cy - 2, track.width() * share, 4), 2, 2);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(track.left() + track.width() * share, cy), 7, 7);

        p.setFont(valueFont());
        p.setPen(white(0.8));
        p.drawText(QRectF(track.right() + itemSpacing, blur.top(), valueWidth, blur.height()),
                   Qt::AlignCenter, blurLabel(m_blurRadius));
        p.restore();
    }

    const QRectF row = themeRow();
    VisualEffectView().paint(p, rounded(row, 12));
    p.setFont(labelFont());
    p.setPen(white(0.6));
    const double labelRight = buttonRect(RestTheme::aurora).left() - itemSpacing - 4;
    p.drawText(QRectF(row.left() + 10, row.top() + 8, labelRight - row.left() - 10, button),
               Qt::AlignLeft | Qt::AlignVCenter, themeLabel());

    for (RestTheme theme : RestThemes::allCases()) {
        const QRectF box = buttonRect(theme);
        const double chosen = std::clamp(m_chosen[size_t(indexOf(theme))].valueAt(t), 0.0, 1.0);
        if (chosen > 0.0) {
            p.setOpacity(base * chosen);
            p.drawImage(box.topLeft() - QPointF(shadowMargin, shadowMargin),
                        shadow(theme, p.device()->devicePixelRatioF()));
            p.setOpacity(base);
        }
        paintButton(p, theme, chosen);

        const double shown = m_dots[size_t(indexOf(theme))].valueAt(t);
        const double scale = 0.1 + 0.9 * shown;
        p.setOpacity(base * std::clamp(shown, 0.0, 1.0));
        p.setPen(Qt::NoPen);
        p.setBrush(Palette::teal());
        p.drawEllipse(QPointF(box.center().x(), box.bottom() + 4 + dot / 2), dot / 2 * scale,
                      dot / 2 * scale);
        p.setOpacity(base);
    }
}
