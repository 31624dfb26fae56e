#include "stitch_check.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

namespace tessaly::stitch::test {

namespace {

// The page at `level` as the composed result sees it, and where the result lies on it.
class ResultOnPage {
 public:
  ResultOnPage(const tagPixelArray& result, const StitchLayout& layout, int level)
      : result_(result),
        layout_(layout),
        scale_(std::ldexp(1.0, level)),
        page_(halvedTimes(layout.page, level)) {}

  // Canvas pixel (i, j) with the canvas origin at frame point (ox, oy): its page point at the
  // result's level.
  void pagePoint(int32_t i, int32_t j, double& x, double& y) const {
    layout_.toPage(0, (originX + i) * scale_, (originY + j) * scale_, x, y);
    x /= scale_;
    y /= scale_;
  }

  // Cells whose piece holds canvas pixel (i, j) well inside its border, as a bit set.
  unsigned coveringCells(int32_t i, int32_t j) const {
    double x, y;
    layout_.toPage(0, (originX + i) * scale_, (originY + j) * scale_, x, y);
    const double margin = 2 * scale_ + 1;
    unsigned cells = 0;
    for (size_t cell = 0; cell < layout_.cells.size(); ++cell) {
      double u, v;
      layout_.fromPage(static_cast<int>(cell), x, y, u, v);
      const PiecePlan& p = layout_.cells[cell];
      if (u >= margin && v >= margin && u <= p.width - 1 - margin && v <= p.height - 1 - margin)
        cells |= 1u << cell;
    }
    return cells;
  }

  // Page value of channel ch at page point (x, y), bilinear; false outside the page.
  bool pageValue(double x, double y, int ch, double& value) const {
    if (x < 0 || y < 0 || x > page_.width - 1 || y > page_.height - 1) return false;
    const int32_t x0 = std::min(static_cast<int32_t>(x), page_.width - 2);
    const int32_t y0 = std::min(static_cast<int32_t>(y), page_.height - 2);
    const double fx = x - x0, fy = y - y0;
    const double top = page_.pixel(x0, y0)[ch] * (1 - fx) + page_.pixel(x0 + 1, y0)[ch] * fx;
    const double bottom =
        page_.pixel(x0, y0 + 1)[ch] * (1 - fx) + page_.pixel(x0 + 1, y0 + 1)[ch] * fx;
    value = top * (1 - fy) + bottom * fy;
    return true;
  }

  // Mean over channels of (result - page) at canvas pixel (i, j) read from the page shifted by
  // (dx, dy); false when the page has no such point.
  bool difference(int32_t i, int32_t j, double dx, double dy, double& diff) const {
    double x, y;
    pagePoint(i, j, x, y);
    const uint8_t* r = result_.bits + static_cast<size_t>(j) * result_.bytesPerLine + i * 3;
    diff = 0;
    for (int ch = 0; ch < 3; ++ch) {
      double p;
      if (!pageValue(x + dx, y + dy, ch, p)) return false;
      diff += r[ch] - p;
    }
    diff /= 3;
    return true;
  }

  // Places the canvas origin where a sparse sample of covered pixels matches the page best.
  void locate(int search) {
    double minX = std::numeric_limits<double>::max(), minY = minX;
    for (size_t cell = 0; cell < layout_.cells.size(); ++cell) {
      const PiecePlan& p = layout_.cells[cell];
      for (const double u : {0.0, p.width - 1.0}) {
        for (const double v : {0.0, p.height - 1.0}) {
          double x, y, fu, fv;
          layout_.toPage(static_cast<int>(cell), u, v, x, y);
          layout_.fromPage(0, x, y, fu, fv);
          minX = std::min(minX, fu / scale_);
          minY = std::min(minY, fv / scale_);
        }
      }
    }
    const int32_t guessX = static_cast<int32_t>(std::floor(minX)),
                  guessY = static_cast<int32_t>(std::floor(minY));
    double best = std::numeric_limits<double>::max();
    int32_t bestX = guessX, bestY = guessY;
    for (int32_t oy = guessY - search; oy <= guessY + search; ++oy) {
      for (int32_t ox = guessX - search; ox <= guessX + search; ++ox) {
        originX = ox;
        originY = oy;
        double sum = 0;
        int64_t n = 0;
        for (int32_t j = 0; j < result_.height; j += 5) {
          for (int32_t i = 0; i < result_.width; i += 5) {
            double d;
            if (coveringCells(i, j) == 0 || !difference(i, j, 0, 0, d)) continue;
            sum += std::fabs(d);
            ++n;
          }
        }
        if (n > 0 && sum / n < best) {
          best = sum / n;
          bestX = ox;
          bestY = oy;
        }
      }
    }
    originX = bestX;
    originY = bestY;
  }

  const tagPixelArray& result() const { return result_; }
  int32_t originX = 0;
  int32_t originY = 0;

 private:
  const tagPixelArray& result_;
  const StitchLayout& layout_;
  double scale_;
  Picture page_;
};

// The best integer shift of the page under one tile of the result, within +-3 pixels.
int tileShift(const ResultOnPage& on, int32_t i0, int32_t j0, int32_t size, double bias) {
  double best = std::numeric_limits<double>::max();
  int shift = 0;
  for (int dy = -3; dy <= 3; ++dy) {
    for (int dx = -3; dx <= 3; ++dx) {
      double sum = 0;
      for (int32_t j = j0; j < j0 + size; j += 2) {
        for (int32_t i = i0; i < i0 + size; i += 2) {
          double d;
          if (!on.difference(i, j, dx, dy, d)) return 0;
          sum += std::fabs(d - bias);
        }
      }
      if (sum < best) {
        best = sum;
        shift = std::max(std::abs(dx), std::abs(dy));
      }
    }
  }
  return shift;
}

// Spread of the page under a tile: tiles of plain paper cannot show a shift.
double tileContrast(const ResultOnPage& on, int32_t i0, int32_t j0, int32_t size) {
  double sum = 0, sumSquares = 0;
  int n = 0;
  for (int32_t j = j0; j < j0 + size; j += 2) {
    for (int32_t i = i0; i < i0 + size; i += 2) {
      double x, y, v;
      on.pagePoint(i, j, x, y);
      if (!on.pageValue(x, y, 1, v)) return 0;
      sum += v;
      sumSquares += v * v;
      ++n;
    }
  }
  const double mean = sum / n;
  return std::sqrt(std::max(0.0, sumSquares / n - mean * mean));
}

}  // namespace

StitchCheck checkAgainstPage(const tagPixelArray& result, const StitchLayout& layout, int level,
                             int search) {
  ResultOnPage on(result, layout, level);
  on.locate(search);
  StitchCheck check;
  double sum = 0;
  for (int32_t j = 0; j < result.height; ++j) {
    for (int32_t i = 0; i < result.width; ++i) {
      double d;
      if (on.coveringCells(i, j) == 0 || !on.difference(i, j, 0, 0, d)) continue;
      sum += d;
      ++check.covered;
    }
  }
  if (check.covered == 0) return check;
  check.bias = sum / check.covered;
  double error = 0;
  for (int32_t j = 0; j < result.height; ++j) {
    for (int32_t i = 0; i < result.width; ++i) {
      if (on.coveringCells(i, j) == 0) continue;
      double x, y;
      on.pagePoint(i, j, x, y);
      const uint8_t* r = result.bits + static_cast<size_t>(j) * result.bytesPerLine + i * 3;
      for (int ch = 0; ch < 3; ++ch) {
        double p;
        if (on.pageValue(x, y, ch, p)) error += std::fabs(r[ch] - p - check.bias);
      }
    }
  }
  check.meanError = error / (3.0 * check.covered);

  constexpr int32_t kTile = 48;
  for (int32_t j0 = 0; j0 + kTile <= result.height; j0 += kTile) {
    for (int32_t i0 = 0; i0 + kTile <= result.width; i0 += kTile) {
      const bool inside = on.coveringCells(i0, j0) && on.coveringCells(i0 + kTile - 1, j0) &&
                          on.coveringCells(i0, j0 + kTile - 1) &&
                          on.coveringCells(i0 + kTile - 1, j0 + kTile - 1);
      if (!inside || tileContrast(on, i0, j0, kTile) < 20) continue;
      check.worstShift = std::max(check.worstShift, tileShift(on, i0, j0, kTile, check.bias));
    }
  }
  return check;
}

double brightnessSpread(const tagPixelArray& result, const StitchLayout& layout, int level) {
  ResultOnPage on(result, layout, level);
  on.locate(3);
  const size_t cells = layout.cells.size();
  std::vector<double> sum(cells, 0);
  std::vector<int64_t> count(cells, 0);
  for (int32_t j = 0; j < result.height; ++j) {
    for (int32_t i = 0; i < result.width; ++i) {
      const unsigned covering = on.coveringCells(i, j);
      double d;
      // Pixels of exactly one piece.
      if (covering == 0 || (covering & (covering - 1)) != 0 || !on.difference(i, j, 0, 0, d))
        continue;
      const size_t cell = static_cast<size_t>(std::countr_zero(covering));
      sum[cell] += d;
      ++count[cell];
    }
  }
  double low = std::numeric_limits<double>::max(), high = std::numeric_limits<double>::lowest();
  for (size_t cell = 0; cell < cells; ++cell) {
    if (count[cell] == 0) continue;
    low = std::min(low, sum[cell] / count[cell]);
    high = std::max(high, sum[cell] / count[cell]);
  }
  return high >= low ? high - low : 0;
}

}  // namespace tessaly::stitch::test
