#pragma once

class QImage;

// An approximate Gaussian blur (three box passes each way) in place. Cheap
// enough for the soft glows the views draw at a fraction of their size.
void blurImage(QImage& image, double radius);
