#pragma once

class QImage;

// What lies beyond the image's border: transparency, so a glow fades out, or
// the edge pixels repeated, so a photo keeps its edges.
enum class BlurEdge { transparent, extend };

// An approximate Gaussian blur (three box passes each way) in place. Cheap
// enough for the soft glows the views draw at a fraction of their size.
void blurImage(QImage& image, double radius, BlurEdge edge = BlurEdge::transparent);
