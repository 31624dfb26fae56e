#include "verified_signal.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace tessaly::stitch::verified {

namespace {

// Scales of the band-pass and the contrast estimate, in pixels of the level at hand: the inner
// blur removes pixel noise, the outer one shading and paper tone; the contrast window spans a few
// text lines so that a line of glyphs and the white between lines share one contrast.
constexpr double kNoiseSigma = 0.7;
constexpr double kShadingSigma = 4.0;
constexpr double kContrastSigma = 6.0;
// Contrast below this share of the image's strong contrast counts as flat paper.
constexpr double kFlatShare = 0.15;
constexpr double kFlatFloor = 1.0;  // grey levels: the floor for almost empty images

// The 90th percentile of the local contrast over a sparse sample of pixels.
double strongContrast(const cv::Mat1f& localEnergy) {
  std::vector<float> sample;
  sample.reserve(static_cast<size_t>(localEnergy.total() / 37 + 1));
  const float* p = localEnergy.ptr<float>(0);
  for (size_t i = 0; i < localEnergy.total(); i += 37) sample.push_back(p[i]);
  if (sample.empty()) return 0;
  auto nth = sample.begin() + static_cast<std::ptrdiff_t>(sample.size() * 9 / 10);
  std::nth_element(sample.begin(), nth, sample.end());
  return std::sqrt(std::max(0.0F, *nth));
}

}  // namespace

cv::Mat1b greyView(const GreyImage& image) {
  return cv::Mat1b(image.height, image.width, const_cast<uint8_t*>(image.pixels.data()));
}

cv::Mat1b reducedImage(const cv::Mat1b& image, int times) {
  cv::Mat1b out = image;
  for (int i = 0; i < times; ++i) {
    cv::Mat1b next;
    cv::pyrDown(out, next);  // output pixel x is centred on input pixel 2x
    out = next;
  }
  return out;
}

cv::Mat1f evidenceSignal(const cv::Mat1b& grey) {
  // Three buffers reused in place: every fresh full-size buffer costs its page faults, which took
  // more time than the arithmetic. Each step is the same element-wise operation as before.
  cv::Mat1f value, band, energy;
  grey.convertTo(value, CV_32F);
  cv::GaussianBlur(value, band, cv::Size(), kNoiseSigma, 0, cv::BORDER_REFLECT);
  cv::GaussianBlur(value, energy, cv::Size(), kShadingSigma, 0, cv::BORDER_REFLECT);
  cv::subtract(band, energy, band);
  cv::multiply(band, band, value);
  cv::GaussianBlur(value, energy, cv::Size(), kContrastSigma, 0, cv::BORDER_REFLECT);
  const double flat = std::max(kFlatFloor, kFlatShare * strongContrast(energy));
  cv::add(energy, cv::Scalar(flat * flat), energy);
  cv::sqrt(energy, energy);
  cv::divide(band, energy, band);
  return band;
}

}  // namespace tessaly::stitch::verified
