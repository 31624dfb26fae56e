#include "coarse_register.h"

#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

namespace tessaly::quality {
namespace {

// The side of the small copies: the layout of paragraphs, pictures and margins shows, single
// letters do not, and every try costs a few small transforms.
constexpr double kSmallSide = 200;
// Tilts are tried this far apart first, then halfway between around the best.
constexpr double kTiltStep = 2.0;

cv::Mat spectrum(const cv::Mat& values, cv::Size padded) {
  cv::Mat canvas = cv::Mat::zeros(padded, CV_32F);
  values.copyTo(canvas(cv::Rect(0, 0, values.cols, values.rows)));
  cv::Mat out;
  cv::dft(canvas, out, cv::DFT_COMPLEX_OUTPUT);
  return out;
}

// sum over y of a(y + s) b(y) for every circular shift s, from the two spectra.
cv::Mat correlate(const cv::Mat& spectrumA, const cv::Mat& spectrumB) {
  cv::Mat product, out;
  cv::mulSpectrums(spectrumA, spectrumB, product, 0, true);
  cv::idft(product, out, cv::DFT_REAL_OUTPUT | cv::DFT_SCALE);
  return out;
}

// The spectra of a picture's mask, of its values and of their squares under the mask.
struct MaskedSpectra {
  cv::Mat ones, values, squares;
};

MaskedSpectra maskedSpectra(const cv::Mat& image, const cv::Mat& mask, cv::Size padded) {
  cv::Mat m;
  mask.convertTo(m, CV_32F, 1.0 / 255);
  cv::threshold(m, m, 0.5, 1.0, cv::THRESH_BINARY);
  const cv::Mat values = image.mul(m);
  return {spectrum(m, padded), spectrum(values, padded), spectrum(values.mul(image), padded)};
}

ShiftScore bestShift(const MaskedSpectra& f, cv::Size fixedSize, const MaskedSpectra& m,
                     double minOverlap) {
  const cv::Mat n = correlate(f.ones, m.ones);
  const cv::Mat sumF = correlate(f.values, m.ones), sumM = correlate(f.ones, m.values);
  const cv::Mat sumFF = correlate(f.squares, m.ones), sumMM = correlate(f.ones, m.squares);
  const cv::Mat sumFM = correlate(f.values, m.values);
  ShiftScore best;
  for (int y = 0; y < n.rows; ++y) {
    for (int x = 0; x < n.cols; ++x) {
      const double count = n.at<float>(y, x);
      if (count < minOverlap) continue;
      const double sf = sumF.at<float>(y, x), sm = sumM.at<float>(y, x);
      const double varF = sumFF.at<float>(y, x) - sf * sf / count;
      const double varM = sumMM.at<float>(y, x) - sm * sm / count;
      if (varF <= 1e-6 * count || varM <= 1e-6 * count) continue;
      const double score = (sumFM.at<float>(y, x) - sf * sm / count) / std::sqrt(varF * varM);
      if (score > best.correlation) {
        best.correlation = score;
        // Circular shifts: the upper part of each axis stands for negative shifts.
        best.shift = {x < fixedSize.width ? x : x - n.cols, y < fixedSize.height ? y : y - n.rows};
      }
    }
  }
  return best;
}

// Rotates the picture by `degrees` (clockwise, y down) about its centre onto a square canvas
// that holds it at any angle; returns the motion from picture to canvas.
Rigid turnOntoCanvas(const cv::Mat& image, double degrees, int side, cv::Mat& turned,
                     cv::Mat& mask) {
  Rigid motion;
  motion.radians = degrees * std::numbers::pi / 180;
  const cv::Point2d centre((image.cols - 1) / 2.0, (image.rows - 1) / 2.0);
  const cv::Point2d moved = motion.apply(centre);
  motion.dx = (side - 1) / 2.0 - moved.x;
  motion.dy = (side - 1) / 2.0 - moved.y;
  cv::warpAffine(image, turned, motion.matrix(), {side, side}, cv::INTER_LINEAR,
                 cv::BORDER_CONSTANT);
  const cv::Mat full(image.size(), CV_8U, cv::Scalar(255));
  cv::warpAffine(full, mask, motion.matrix(), {side, side}, cv::INTER_NEAREST, cv::BORDER_CONSTANT);
  return motion;
}

// Tries one turn of the small result against the small page.
class TurnTrial {
 public:
  TurnTrial(const cv::Mat& page, const cv::Mat& result)
      : result_(result),
        pageSize_(page.size()),
        side_(int(std::ceil(std::hypot(result.cols, result.rows))) + 2),
        padded_(cv::getOptimalDFTSize(page.cols + side_), cv::getOptimalDFTSize(page.rows + side_)),
        page_(maskedSpectra(page, cv::Mat(page.size(), CV_8U, cv::Scalar(255)), padded_)),
        // The true placement overlaps most of the smaller picture; tiny overlaps would let
        // chance agreement win.
        minOverlap_(0.4 * std::min(double(page.total()), double(result.total()))) {}

  // The best placement at this turn, in the small pictures' pixels.
  CoarsePlacement at(double degrees) const {
    cv::Mat turned, mask;
    CoarsePlacement placement;
    placement.resultToPage = turnOntoCanvas(result_, degrees, side_, turned, mask);
    const ShiftScore score =
        bestShift(page_, pageSize_, maskedSpectra(turned, mask, padded_), minOverlap_);
    placement.resultToPage.dx += score.shift.x;
    placement.resultToPage.dy += score.shift.y;
    placement.correlation = score.correlation;
    return placement;
  }

 private:
  const cv::Mat& result_;
  cv::Size pageSize_;
  int side_;
  cv::Size padded_;
  MaskedSpectra page_;
  double minOverlap_;
};

}  // namespace

ShiftScore bestMaskedShift(const cv::Mat& fixed, const cv::Mat& fixedMask, const cv::Mat& moving,
                           const cv::Mat& movingMask, double minOverlap) {
  const cv::Size padded(cv::getOptimalDFTSize(fixed.cols + moving.cols),
                        cv::getOptimalDFTSize(fixed.rows + moving.rows));
  return bestShift(maskedSpectra(fixed, fixedMask, padded), fixed.size(),
                   maskedSpectra(moving, movingMask, padded), minOverlap);
}

CoarsePlacement coarseRegister(const cv::Mat& page, const cv::Mat& result, double maxTiltDegrees) {
  if (page.empty() || result.empty()) throw std::invalid_argument("empty picture");
  const double f = kSmallSide / std::max({page.cols, page.rows, result.cols, result.rows});
  cv::Mat smallPage, smallResult;
  cv::resize(page, smallPage, {}, f, f, cv::INTER_AREA);
  cv::resize(result, smallResult, {}, f, f, cv::INTER_AREA);
  const TurnTrial trial(smallPage, smallResult);

  CoarsePlacement best;
  double bestDegrees = 0;
  const int steps = int(std::ceil(maxTiltDegrees / kTiltStep));
  for (int quarter = 0; quarter < 4; ++quarter) {
    for (int step = -steps; step <= steps; ++step) {
      const double degrees = quarter * 90 + step * kTiltStep;
      const CoarsePlacement placement = trial.at(degrees);
      if (placement.correlation <= best.correlation) continue;
      best = placement;
      bestDegrees = degrees;
    }
  }
  for (const double degrees : {bestDegrees - kTiltStep / 2, bestDegrees + kTiltStep / 2}) {
    const CoarsePlacement placement = trial.at(degrees);
    if (placement.correlation > best.correlation) best = placement;
  }
  best.resultToPage = rescale(best.resultToPage, 1 / f);
  return best;
}

}  // namespace tessaly::quality
