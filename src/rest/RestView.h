#pragma once

#include "SkipHold.h"
#include "themes/RestTheme.h"
#include "ui/Springs.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class MouseTouchBridge;
class QTimer;
class ThemeSelectorOverlay;
class WallpaperManager;

// The content of one rest window: the theme's backdrop and figure, the
// breathing ring with the seconds left, the tip, and the hold-to-skip control.
// It never counts down; it reads the cycle's counter whenever it draws, and a
// completed hold is the only way it ends a rest. Each element is redrawn at
// the rate it changes and only where it is.
class RestView final : public QWidget {
    Q_OBJECT
public:
    using SecondsRemaining = std::function<qint64()>;
    using SkipHandler = std::function<void(const QString& message)>;

    static constexpr double breathCycleSeconds = 8.0;
    static constexpr double breathTickSeconds = 0.1;
    static constexpr double skipReportDelaySeconds = 2.0;

    RestView(qint64 totalRestSeconds, SecondsRemaining secondsRemaining, QString subtitle, SkipHandler onSkip,
             ThemeSetting& themes, WallpaperManager* wallpapers = nullptr, QWidget* parent = nullptr);
    ~RestView() override;

    // Monotonic seconds the animations and the hold run on; tests hand in their own.
    void setAnimationClock(std::function<double()> clock);

    // --- breathing
    void breathingTick();
    double breathTime() const { return m_breathTime; }
    double breathValue() const { return m_breathValue; }
    QString breathText() const { return m_breathText; }

    // --- skip gesture
    SkipHold& hold() { return m_hold; }
    const SkipHold& hold() const { return m_hold; }
    std::optional<QString> skipFeedbackText() const { return m_skipFeedbackText; }
    bool hasSpaceKeyMonitor() const { return m_spaceKeyMonitorInstalled; }
    QColor skipHintColor() const;

    // --- what is shown
    RestTheme currentTheme() const { return m_theme; }
    ThemeSelectorOverlay* themeSelector() const { return m_selector; }
    QString tipText() const { return m_tipText; }
    qint64 totalRestSeconds() const { return m_totalRestSeconds; }

    struct Layout {
        std::optional<QRectF> ring;   // 240 x 240
        std::optional<QRectF> figure; // the figure's own size
        std::optional<QRectF> tip;    // 60 high
        QRectF skipControl;           // 90 x 90
        QRectF hint;
    };
    Layout layoutFor(RestTheme theme) const;
    // Where the feedback card sits at rest, shadow excluded; empty without feedback.
    QRectF feedbackCardRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Look {
        std::unique_ptr<RestBackdrop> backdrop;
        std::unique_ptr<RestFigure> figure;
        // The figure's first frame since its theme was last chosen; none before it.
        std::optional<double> figureStart;
    };
    // Where the ring or the tip shows, and how strongly.
    struct Placed {
        QRectF rect;
        double opacity = 0.0;
    };
    struct Column {
        Placed ring;
        Placed tip;
    };

    double now() const;
    Look& look(RestTheme theme) const;
    void applyTheme(RestTheme theme);
    void startBackdropFrames();
    void advanceFrames();
    FigureState figureState(RestTheme theme, double now) const;
    // On a change of theme the ring and the tip glide from where they were
    // to the new theme's places, or fade where one of the two has none.
    Column columnAt(double now) const;
    QRegion figureRegion(RestTheme theme, double now) const;
    void installSpaceKeyMonitor();
    void removeSpaceKeyMonitor();
    void holdChanged();
    void skipCompleted();
    void scheduleFrames();
    QRect ringArea() const;
    QRect skipArea() const;
    void paintRing(QPainter& p, const QRectF& ring, qint64 seconds);
    void paintSkipBlock(QPainter& p, const Layout& layout);
    void paintFeedbackCard(QPainter& p);
    QSizeF feedbackCardSize() const;

    const qint64 m_totalRestSeconds;
    const SecondsRemaining m_secondsRemaining;
    const QString m_subtitle;
    const SkipHandler m_onSkip;
    ThemeSetting& m_themes;
    WallpaperManager* const m_wallpapers;
    std::function<double()> m_clock;

    double m_breathTime = 0.0;
    double m_breathValue = 0.0;
    QString m_breathText;
    SkipHold m_hold;
    std::optional<QString> m_skipFeedbackText;
    bool m_spaceKeyMonitorInstalled = false;
    QString m_tipText;
    bool m_wasShown = false;
    double m_shownAt = 0.0;
    // Backdrops are painted at the time of their last frame, so that a
    // partial repaint in between matches what surrounds it.
    double m_backdropTime = 0.0;

    RestTheme m_theme = RestTheme::aurora;
    std::optional<RestTheme> m_previousTheme;
    mutable std::map<RestTheme, Look> m_looks;
    Tween m_themeFade{1.0};
    // How far the current figure has come in, and the previous one gone.
    Tween m_figureIn{1.0};
    Tween m_figureOut{0.0};
    Column m_columnFrom;
    Tween m_columnMove{1.0};
    double m_backdropDue = 0.0;
    double m_figureDue = 0.0;
    ThemeSelectorOverlay* m_selector = nullptr;
    Tween m_arc{1.0};
    qint64 m_arcSeconds = -1;
    Tween m_press{0.0};
    Tween m_progressShown{0.0};
    Tween m_card{0.0};

    QImage m_halo;
    QImage m_haloLayer;
    double m_haloKey = -1;
    QImage m_ringLayer;
    QImage m_arcLayer;
    double m_arcKey = -1;
    QImage m_trackLayer;
    QImage m_skipLayer;
    QImage m_cardShadow;
    QSizeF m_cardShadowSize;
    QTimer* m_breathTimer = nullptr;
    QTimer* m_backdropTimer = nullptr;
    QTimer* m_frameTimer = nullptr;
    QTimer* m_holdTimer = nullptr;
    MouseTouchBridge* m_bridge = nullptr;
};
