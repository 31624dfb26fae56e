// Makes the picture a flatbed would deliver for one planned scan: the tilted piece sampled from
// the page (paper outside the page shows the white lid), the optics' slight blur, the lamp's
// brightness, contrast and gamma, the sensor's noise, and the paper's quarter turn on the glass.
#pragma once

#include <cstdint>

#include "bgr_image.h"
#include "scan_plan.h"

namespace tessaly::cli {

// The scan as its file holds it. `seed` drives the noise (each piece draws from its own stream,
// so one piece's pixels never depend on another's).
BgrImage renderScan(const BgrImage& page, const ScanPiece& piece, uint64_t seed);

// The steps one by one, for tests.
BgrImage sampleTilted(const BgrImage& page, const ScanPiece& piece);
void blurGaussian(BgrImage& image, double sigma);
void applyTone(BgrImage& image, double brightness, double contrast, double gamma);
void addNoise(BgrImage& image, double sigma, uint64_t seed, uint64_t stream);

// The elementary quarter turns (bgr_image.h) that bring a file made with the paper turned
// clockwise by `degrees` back upright.
int uprightQuarterTurns(int degrees);

}  // namespace tessaly::cli
