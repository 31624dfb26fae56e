// The skew of the Result page's picture as the stitching engine's straightening measures it.
#pragma once

class QImage;

namespace tessaly::app {

class StitchRun;

// Copies the image into a 24-bit pixel array, top row first as the engine loads pieces, and
// measures its skew in radians. False when the array cannot be made or the engine fails.
bool measureSkew(StitchRun& run, const QImage& image, double* radians);

}  // namespace tessaly::app
