#pragma once

#include "FeedbackCard.h"
#include "RestRing.h"
#include "SkipControl.h"
#include "SkipHold.h"
#include "ThemeCrossFade.h"
#include "themes/RestTheme.h"

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class MouseTouchBridge;
class QTimer;
class ThemeSelectorOverlay;
class WallpaperManager;

// The content of one rest window: the theme's backdrop and figure, the ring
// with the seconds left, the tip, the hold-to-skip control and, once skipped,
// the feedback card. It lays these out and runs their time. It never counts
// down; it reads the cycle's counter whenever it draws, and a completed hold
// is the only way it ends a rest. Each element is redrawn at the rate it
// changes and only where it is; with reduced motion nothing moves and the
// count is redrawn once a second.
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
    // The desktop asks for less motion: every theme stands still. Set before the view shows.
    void setReducedMotion(bool reduced);
    bool reducedMotion() const { return m_still; }

    // --- breathing
    void breathingTick();
    double breathTime() const { return m_breathTime; }
    double breathValue() const { return m_breathValue; }
    QString breathText() const { return m_breathText; }

    // --- skip gesture
    SkipHold& hold() { return m_hold; }
    const SkipHold& hold() const { return m_hold; }
    // The Space key, wherever it was pressed while the rest shows.
    void spaceKey(bool pressed, bool autoRepeat);
    // Another screen's Space hold went through: show the same card here, report nothing.
    void showSkipped(const QString& line);
    std::optional<QString> skipFeedbackText() const { return m_card.line(); }
    QColor skipHintColor() const;

    // --- what is shown
    RestTheme currentTheme() const { return m_theme; }
    ThemeSelectorOverlay* themeSelector() const { return m_selector; }
    QString tipText() const { return m_tipText; }
    qint64 totalRestSeconds() const { return m_totalRestSeconds; }
    // The current theme's backdrop hides whatever is behind the window.
    bool coversWindow() const;

    struct Layout {
        std::optional<QRectF> ring;   // 240 x 240
        std::optional<QRectF> figure; // the figure's own size
        std::optional<QRectF> tip;    // 60 high
        QRectF skipControl;           // 90 x 90
        QRectF hint;
    };
    Layout layoutFor(RestTheme theme) const;
    // Where the feedback card sits at rest, shadow excluded; empty without feedback.
    QRectF feedbackCardRect() const { return m_card.rect(size()); }

Q_SIGNALS:
    // A hold on this view went through, by Space or the mouse.
    void skipped(const QString& line, bool bySpace);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Look {
        std::unique_ptr<RestBackdrop> backdrop;
        std::unique_ptr<RestFigure> figure;
        // The figure's first frame since its theme was last chosen; none before it.
        std::optional<double> figureStart;
    };

    double now() const;
    bool animated() const { return !m_still; }
    Look& look(RestTheme theme) const;
    void applyTheme(RestTheme theme);
    void startBackdropFrames();
    void advanceFrames();
    void stillTick();
    FigureState figureState(RestTheme theme, double now) const;
    ThemeCrossFade::Column columnAt(double now) const;
    QRegion figureRegion(RestTheme theme, double now) const;
    void holdChanged();
    void skipCompleted();
    void scheduleFrames();
    QRect ringArea() const;
    QRect skipArea() const;
    qint64 secondsRemaining() const { return m_secondsRemaining ? m_secondsRemaining() : 0; }

    const qint64 m_totalRestSeconds;
    const SecondsRemaining m_secondsRemaining;
    const QString m_subtitle;
    const SkipHandler m_onSkip;
    ThemeSetting& m_themes;
    WallpaperManager* const m_wallpapers;
    std::function<double()> m_clock;
    bool m_still = false;

    double m_breathTime = 0.0;
    double m_breathValue = 0.0;
    QString m_breathText;
    SkipHold m_hold;
    bool m_holdBySpace = false;
    QString m_tipText;
    bool m_wasShown = false;
    double m_shownAt = 0.0;
    // Backdrops are painted at the time of their last frame, so that a
    // partial repaint in between matches what surrounds it.
    double m_backdropTime = 0.0;

    RestTheme m_theme = RestTheme::aurora;
    mutable std::map<RestTheme, Look> m_looks;
    ThemeCrossFade m_crossFade;
    RestRing m_ring;
    SkipControl m_skip;
    FeedbackCard m_card;
    double m_backdropDue = 0.0;
    double m_figureDue = 0.0;
    ThemeSelectorOverlay* m_selector = nullptr;

    QTimer* m_breathTimer = nullptr;
    QTimer* m_backdropTimer = nullptr;
    QTimer* m_frameTimer = nullptr;
    QTimer* m_holdTimer = nullptr;
    MouseTouchBridge* m_bridge = nullptr;
};
