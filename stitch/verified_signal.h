// The evidence images the pair search correlates: grey levels turned into a band-passed,
// locally contrast-normalised signal, so that brightness, contrast, gamma and shading differences
// between two scans do not matter and blank paper carries (almost) no signal at all.
#pragma once

#include <opencv2/core.hpp>

#include "verified_types.h"

namespace tessaly::stitch::verified {

// A header over the grey image's pixels (no copy; valid while `image` lives unchanged).
cv::Mat1b greyView(const GreyImage& image);

// The image reduced 2:1 `times` times; pixel (x, y) of the result lies at (2x, 2y) of its source,
// the convention of the engine's own levels.
cv::Mat1b reducedImage(const cv::Mat1b& image, int times);

// Band-pass (difference of two Gaussians) divided by the local contrast, with a floor that keeps
// flat regions near zero: textured regions come out with roughly unit variance whatever their
// ink contrast, blank regions close to zero.
cv::Mat1f evidenceSignal(const cv::Mat1b& grey);

// Signal values above this count a pixel as textured, i.e. as evidence.
constexpr float kTexturedLevel = 0.4F;

}  // namespace tessaly::stitch::verified
