#pragma once

#include "themes/RestTheme.h"
#include "ui/Springs.h"

#include <QImage>
#include <QWidget>
#include <array>
#include <functional>

class QTimer;

// The small panel in the rest view's top-right corner: one button per theme
// and, in the wallpaper theme, the blur slider. It stores nothing itself: a
// choice goes out through its callbacks, and the host hands the stored values
// back in, so every screen's panel shows the same settings. Faint until the
// pointer is over it; clicks land either way.
class ThemeSelectorOverlay final : public QWidget {
    Q_OBJECT
public:
    using ThemeChosen = std::function<void(RestTheme)>;
    using BlurRadiusChanged = std::function<void(double)>;

    static constexpr double faintOpacity = 0.25;
    static constexpr double maxBlurRadius = RestThemes::maxBlurRadius;
    static constexpr double defaultBlurRadius = RestThemes::defaultBlurRadius;

    ThemeSelectorOverlay(RestTheme current, double blurRadius, ThemeChosen onThemeChosen,
                         BlurRadiusChanged onBlurRadiusChanged, QWidget* parent = nullptr);

    // Monotonic seconds the animations run on; tests hand in their own.
    void setAnimationClock(std::function<double()> clock);
    // With reduced motion every change shows at once.
    void setReducedMotion(bool reduced) { m_still = reduced; }

    void setCurrentTheme(RestTheme theme);
    void setBlurRadius(double radius);
    RestTheme currentTheme() const { return m_theme; }
    double blurRadius() const { return m_blurRadius; }
    bool isHovered() const { return m_hovered; }

    static double sanitisedBlurRadius(double radius) { return RestThemes::sanitisedBlurRadius(radius); }
    // The whole number beside the slider: 14.7 shows as 14.
    static QString blurLabel(double radius);

    // Where things sit, in the widget's coordinates; the top-right corner is the widget's.
    QRectF themeRow() const;
    QRectF blurRow() const;
    QRectF buttonRect(RestTheme theme) const;
    QRectF sliderTrack() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    double now() const;
    void setHovered(bool hovered);
    void slideTo(double x);
    void animate();
    bool showsBlurRow() const;
    void paintSelector(QPainter& p, double t);
    void paintButton(QPainter& p, RestTheme theme, double chosen) const;
    const QImage& shadow(RestTheme theme, qreal dpr);

    RestTheme m_theme;
    double m_blurRadius;
    const ThemeChosen m_onThemeChosen;
    const BlurRadiusChanged m_onBlurRadiusChanged;
    std::function<double()> m_clock;
    bool m_hovered = false;
    bool m_dragging = false;
    Tween m_fade{faintOpacity};
    std::array<Tween, 3> m_dots;
    // How far each button has come to look chosen: fill, outline and shadow.
    std::array<Tween, 3> m_chosen;
    // Each button's shadow when chosen, drawn once per pixel ratio.
    std::array<QImage, 3> m_shadows;
    Tween m_blurRowShown{0.0};
    QTimer* m_frameTimer = nullptr;
    bool m_still = false;
    // What was last drawn, and the values it was drawn with.
    QImage m_picture;
    QList<double> m_pictureKey;
};
