#pragma once

#include "themes/ClassicBackground.h"
#include "themes/RestTheme.h"
#include "ui/Springs.h"

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class Defaults;
class MouseTouchBridge;
class QTimer;

// The content of one rest window: the themed backdrop, the breathing ring with
// the seconds left, the tip, and the hold-to-skip control. It never counts
// down; it reads the engine's counter whenever it draws, and a completed hold
// is the only way it ends a rest.
class RestView final : public QWidget {
    Q_OBJECT
public:
    using SecondsRemaining = std::function<qint64()>;
    using SkipHandler = std::function<void(const QString& message)>;

    static constexpr double breathCycleSeconds = 8.0;
    static constexpr double breathTickSeconds = 0.1;
    static constexpr double holdSeconds = 1.5;
    static constexpr double holdTickSeconds = 0.05;
    static constexpr double skipReportDelaySeconds = 2.0;
    static constexpr int spaceReleaseSettleMs = 40;

    RestView(qint64 totalRestSeconds, SecondsRemaining secondsRemaining, QString ultramanSubtitle,
             SkipHandler onSkip, Defaults& defaults, QWidget* parent = nullptr);
    ~RestView() override;

    // Monotonic seconds the animations run on; tests hand in their own.
    void setAnimationClock(std::function<double()> clock);

    // --- breathing
    void breathingTick();
    double breathTime() const { return m_breathTime; }
    double breathValue() const { return m_breathValue; }
    QString breathText() const { return m_breathText; }

    // --- skip gesture
    void startSkipTimer(double duration);
    void stopSkipTimer();
    // One 0.05 s step of a running hold.
    void skipTimerTick();
    void completeSkip();
    void mouseDownOnSkip();
    void mouseUpOnSkip();
    double skipProgress() const { return m_skipProgress; }
    bool isPressingSkip() const { return m_isPressingSkip; }
    bool isSpacePressed() const { return m_isSpacePressed; }
    bool isCompletingSkip() const { return m_isCompletingSkip; }
    std::optional<QString> skipFeedbackText() const { return m_skipFeedbackText; }
    bool hasSpaceKeyMonitor() const { return m_spaceKeyMonitorInstalled; }
    QColor skipHintColor() const;

    // --- what is shown
    RestTheme currentTheme() const { return m_theme; }
    QString tipText() const { return m_tipText; }
    qint64 totalRestSeconds() const { return m_totalRestSeconds; }
    QString ultramanSubtitle() const { return m_ultramanSubtitle; }

    struct Layout {
        std::optional<QRectF> ring; // 240 x 240
        std::optional<QRectF> tip;  // 60 high
        QRectF skipControl;         // 90 x 90
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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct CardText;

    double now() const;
    void applyTheme(RestTheme theme);
    void installSpaceKeyMonitor();
    void removeSpaceKeyMonitor();
    bool handleSpaceKey(QEvent* event);
    void releaseSpace();
    void scheduleFrames();
    void paintBackground(QPainter& p, RestTheme theme, bool refresh);
    void paintRing(QPainter& p, const QRectF& ring, qint64 seconds);
    void paintTip(QPainter& p, const QRectF& tip);
    void paintSkipBlock(QPainter& p, const Layout& layout);
    void paintFeedbackCard(QPainter& p);
    double hintHeight() const;
    QSizeF feedbackCardSize() const;

    const qint64 m_totalRestSeconds;
    const SecondsRemaining m_secondsRemaining;
    const QString m_ultramanSubtitle;
    const SkipHandler m_onSkip;
    Defaults& m_defaults;
    std::function<double()> m_clock;

    double m_breathTime = 0.0;
    double m_breathValue = 0.0;
    QString m_breathText;
    int m_breathTicks = 0;
    double m_skipProgress = 0.0;
    bool m_isPressingSkip = false;
    QTimer* m_skipTimer = nullptr;
    bool m_completionAwaitsRelease = false;
    double m_holdDuration = holdSeconds;
    bool m_isCompletingSkip = false;
    std::optional<QString> m_skipFeedbackText;
    bool m_spaceKeyMonitorInstalled = false;
    bool m_isSpacePressed = false;
    QString m_tipText;
    bool m_wasShown = false;
    double m_shownAt = 0.0;

    RestTheme m_theme = RestTheme::aurora;
    std::optional<RestTheme> m_previousTheme;
    Tween m_themeFade{1.0};
    Tween m_arc{1.0};
    qint64 m_arcSeconds = -1;
    Tween m_press{0.0};
    Tween m_progressShown{0.0};
    Tween m_card{0.0};

    ClassicBackground m_classic;
    QImage m_cardShadow;
    QSizeF m_cardShadowSize;
    QTimer* m_breathTimer = nullptr;
    QTimer* m_frameTimer = nullptr;
    QTimer* m_spaceReleaseTimer = nullptr;
    MouseTouchBridge* m_bridge = nullptr;
};
