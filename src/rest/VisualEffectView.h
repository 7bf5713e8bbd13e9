#pragma once

class QPainter;
class QPainterPath;

// The translucent material behind the skip card and the theme selector. A
// dark veil with a white hairline reads the same as a blurred material and
// needs no compositor.
class VisualEffectView {
public:
    enum class Material { hudWindow = 13 };
    enum class BlendingMode { withinWindow = 1 };

    VisualEffectView(Material material = Material::hudWindow,
                     BlendingMode blendingMode = BlendingMode::withinWindow)
        : material(material)
        , blendingMode(blendingMode) {}

    void paint(QPainter& painter, const QPainterPath& shape) const;

    Material material;
    BlendingMode blendingMode;
};
