#pragma once

#include "ClassicBackground.h"
#include "Uniform.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRegion>
#include <QUuid>
#include <optional>

class QPainter;
class QRectF;

struct FireflyParticle {
    QUuid id;
    QPointF position; // centre, in the backdrop's own coordinates
    QPointF velocity; // added to the position every tick
    double size = 0.0;
    double opacity = 0.0;
};

// The aurora theme's backdrop: the classic glows with 35 fireflies rising,
// flickering, wrapping at the top and sides and fleeing the pointer. Each
// advance is one tick of the swarm; between glow frames only the fireflies'
// patches are repainted.
class AuroraBackground final : public RestBackdrop {
public:
    static constexpr int particleCount = 35;
    static constexpr double tickSeconds = 0.03;
    static constexpr double repelRadius = 160.0;
    static constexpr double repelForce = 8.0;
    static constexpr double minSize = 4.0;
    static constexpr double maxSize = 12.0;

    explicit AuroraBackground(Uniform uniform = systemUniform());

    static QList<FireflyParticle> makeParticles(const QSizeF& size, const Uniform& uniform);
    // One tick for one firefly: move, flicker, flee the pointer, wrap.
    static FireflyParticle step(FireflyParticle particle, const QSizeF& size, std::optional<QPointF> pointer,
                                const Uniform& uniform);

    // The swarm is made at the size the backdrop has when first shown (or
    // painted) and kept when the size changes later.
    void initializeParticles(const QSizeF& size);
    // Advances every firefly at `size`; returns the area to repaint, in the
    // backdrop's coordinates: where the fireflies were and where they are now.
    QRegion tick(const QSizeF& size);
    // The pointer over the backdrop, or none once it has left.
    void setMouseLocation(std::optional<QPointF> location) { m_mouse = location; }
    std::optional<QPointF> mouseLocation() const { return m_mouse; }
    const QList<FireflyParticle>& particles() const { return m_particles; }

    void paint(QPainter& painter, const QRectF& rect, double secondsShown) override;
    bool animates() const override { return true; }
    int frameIntervalMs() const override { return 30; }
    bool opaque() const override { return true; }
    QRegion advance(const QRectF& rect, double seconds) override;
    bool wantsPointer() const override { return true; }
    void pointerMoved(std::optional<QPointF> position) override { m_mouse = position; }
    void releaseCaches() override;

private:
    QRegion particleArea() const;
    const QImage& sprite(double size, qreal devicePixelRatio);

    Uniform m_uniform;
    ClassicBackground m_classic;
    QList<FireflyParticle> m_particles;
    std::optional<QPointF> m_mouse;
    QHash<int, QImage> m_sprites;
    double m_glowTime = -1.0;
};
