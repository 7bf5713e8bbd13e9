#pragma once

#include "RestBackdrop.h"

#include <QImage>

// The aurora theme's figure: a cartoon cat with closed eyes that breathes with
// the rest view's breath value and wags its tail on its own. Nothing is kept
// between frames: the host hands in the breath and the seconds since the cat
// first showed, so a new cat starts its wag again from -10 degrees.
class RestingCatView final : public RestFigure {
public:
    static constexpr double height = 180.0;
    static constexpr double width = 140.0;
    static constexpr double tailSwingSeconds = 2.2;

    static QSizeF bodySize(double breathValue);
    // Vertical offset of the head group from its place in the stack.
    static double headOffset(double breathValue);
    static double tailAngle(double secondsShown);

    // Paints the 140 x 180 stack centred in `rect`. The tail reaches past its
    // left edge; `paintedRect` says how far, for partial repaints.
    void paint(QPainter& painter, const QRectF& rect, double breathValue, double secondsShown) const;
    static QRectF paintedRect(const QRectF& rect);

    QSizeF size() const override { return {width, height}; }
    double topPadding() const override { return 20.0; }
    void paint(QPainter& painter, const QRectF& rect, const FigureState& state) override;
    bool animates() const override { return true; }
    // The wag is the fastest motion; 30 Hz keeps the tail tip under 2 pt a frame.
    int frameIntervalMs() const override { return 33; }
    QRegion paintedRegion(const QRectF& rect, const FigureState&) const override {
        return paintedRect(rect).toAlignedRect();
    }
    QRegion advance(const QRectF& rect, const FigureState& state) override;
    bool springsIn() const override { return true; }
    void releaseCaches() override {
        m_body = QImage();
        m_tail = QImage();
    }

private:
    QImage m_body;
    double m_bodyBreath = -1.0;
    double m_advancedBreath = -1.0;
    QImage m_tail;
    double m_tailAngle = 0.0;
    QPointF m_tailOffset;
};
