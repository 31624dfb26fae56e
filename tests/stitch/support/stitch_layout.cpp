#include "stitch_layout.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "levels.h"

namespace qxtest {

namespace {

double radians(double degrees) { return degrees * M_PI / 180.0; }

double pieceCentre(int32_t size) { return (size - 1) / 2.0; }

}  // namespace

Picture StitchLayout::piece(int cell) const {
  const PiecePlan& p = cells[cell];
  return cutPiece(page, p.centreX, p.centreY, p.width, p.height, p.angleDegrees, p.brightness);
}

Picture StitchLayout::file(int cell) const { return turnByElementarySteps(piece(cell), (4 - cells[cell].fileTurns) % 4); }

void StitchLayout::toPage(int cell, double u, double v, double& x, double& y) const {
  const PiecePlan& p = cells[cell];
  const double a = radians(p.angleDegrees), du = u - pieceCentre(p.width), dv = v - pieceCentre(p.height);
  x = std::cos(a) * du - std::sin(a) * dv + p.centreX;
  y = std::sin(a) * du + std::cos(a) * dv + p.centreY;
}

void StitchLayout::fromPage(int cell, double x, double y, double& u, double& v) const {
  const PiecePlan& p = cells[cell];
  const double a = radians(p.angleDegrees), dx = x - p.centreX, dy = y - p.centreY;
  u = std::cos(a) * dx + std::sin(a) * dy + pieceCentre(p.width);
  v = -std::sin(a) * dx + std::cos(a) * dy + pieceCentre(p.height);
}

qx::Transform StitchLayout::pairTransform(int a, int b, int level) const {
  // The image of b's origin and of its unit steps in a's coordinates give the rigid transform.
  double x0, y0, x1, y1, ua, va, ub, vb;
  toPage(b, 0, 0, x0, y0);
  fromPage(a, x0, y0, ua, va);
  toPage(b, 1, 0, x1, y1);
  fromPage(a, x1, y1, ub, vb);
  const double c = ub - ua, s = vb - va, scale = std::ldexp(1.0, -level);
  return {{c, -s, ua * scale, s, c, va * scale}};
}

std::vector<qx::Correspondence> StitchLayout::pairMatches(int a, int b, int level) const {
  const qx::Transform t = pairTransform(a, b, level);
  const int32_t wa = cells[a].width >> level, ha = cells[a].height >> level;
  const int32_t wb = cells[b].width >> level, hb = cells[b].height >> level;
  std::vector<qx::Correspondence> matches;
  for (int i = 1; i < 12 && matches.size() < 40; ++i) {
    for (int j = 1; j < 12 && matches.size() < 40; ++j) {
      const int32_t xb = wb * i / 12, yb = hb * j / 12;
      const double xa = t.m[0] * xb + t.m[1] * yb + t.m[2], ya = t.m[3] * xb + t.m[4] * yb + t.m[5];
      if (xa < 2 || ya < 2 || xa > wa - 3 || ya > ha - 3) continue;
      matches.push_back({static_cast<int32_t>(std::lround(xa)), static_cast<int32_t>(std::lround(ya)), xb, yb});
    }
  }
  return matches;
}

Picture smoothed(const Picture& page) {
  Picture out = page;
  for (int32_t y = 0; y < page.height; ++y) {
    for (int32_t x = 0; x < page.width; ++x) {
      for (int ch = 0; ch < 3; ++ch) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int32_t xx = std::clamp(x + dx, 0, page.width - 1), yy = std::clamp(y + dy, 0, page.height - 1);
            sum += (2 - std::abs(dx)) * (2 - std::abs(dy)) * page.pixel(xx, yy)[ch];
          }
        }
        out.pixel(x, y)[ch] = static_cast<uint8_t>((sum + 8) / 16);
      }
    }
  }
  return out;
}

StitchLayout gridLayout(int32_t rows, int32_t columns, int32_t width, int32_t height, int32_t overlap,
                        uint32_t seed, int32_t border, bool smooth) {
  StitchLayout layout;
  layout.rows = rows;
  layout.columns = columns;
  const int32_t stepX = width - overlap, stepY = height - overlap;
  layout.page = makeTexturedPage(2 * border + stepX * (columns - 1) + width, 2 * border + stepY * (rows - 1) + height, seed);
  if (smooth) layout.page = smoothed(layout.page);
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < columns; ++c) {
      PiecePlan p;
      p.centreX = border + c * stepX + pieceCentre(width);
      p.centreY = border + r * stepY + pieceCentre(height);
      p.width = width;
      p.height = height;
      layout.cells.push_back(p);
    }
  }
  return layout;
}

StitchLayout tiltedGrid(int32_t rows, int32_t columns, int32_t width, int32_t height, int32_t overlap,
                        uint32_t seed) {
  StitchLayout layout = gridLayout(rows, columns, width, height, overlap, seed);
  const double tilts[] = {0, 1.5, -1.0, 0.7, -2.0, 1.2};
  for (size_t cell = 0; cell < layout.cells.size(); ++cell) layout.cells[cell].angleDegrees = tilts[cell % 6];
  return layout;
}

void squeezeTones(Picture& page) {
  for (uint8_t& v : page.bytes) v = static_cast<uint8_t>(40 + v * 175 / 255);
}

void injectTruth(void* handle, const StitchLayout& layout) {
  qx::Session& s = *static_cast<qx::Session*>(handle);
  for (int32_t r = 0; r < layout.rows; ++r) {
    for (int32_t c = 0; c < layout.columns; ++c) {
      const int cell = r * layout.columns + c;
      qx::PieceRecord& piece = s.pieces[cell];
      if (c + 1 < layout.columns) {
        piece.right.transform = layout.pairTransform(cell, cell + 1, s.outputLevel);
        piece.right.matches = layout.pairMatches(cell, cell + 1, s.outputLevel);
      }
      if (r + 1 < layout.rows) {
        piece.below.transform = layout.pairTransform(cell, cell + layout.columns, s.outputLevel);
        piece.below.matches = layout.pairMatches(cell, cell + layout.columns, s.outputLevel);
      }
    }
  }
}

namespace {

// Name buffers of the size the engine expects, and the pointers to them.
struct NameBuffers {
  std::vector<std::vector<char>> buffers;
  std::vector<char*> pointers;

  explicit NameBuffers(const std::vector<std::string>& names) {
    for (const std::string& n : names) {
      buffers.emplace_back(QX_NAME_BUFFER, '\0');
      std::copy(n.begin(), n.end(), buffers.back().begin());
    }
    for (auto& b : buffers) pointers.push_back(b.data());
  }
};

}  // namespace

long alignLayout(void* handle, const StitchLayout& layout, const std::vector<std::string>& files,
                 Alignment alignment) {
  NameBuffers loadNames(files);
  std::vector<POINT> sizes;
  std::vector<int32_t> turns;
  for (const PiecePlan& p : layout.cells) {
    const bool across = p.fileTurns % 2 != 0;
    sizes.push_back({across ? p.height : p.width, across ? p.width : p.height});
    turns.push_back(p.fileTurns);
  }
  long status = QXLoadImages(handle, static_cast<long>(files.size()), loadNames.pointers.data(), sizes.data());
  if (status != QX_OK) return status;
  NameBuffers cellNames(files);
  tagStitchOrderInfo arrangement{layout.rows, layout.columns, cellNames.pointers.data(), turns.data()};
  status = QXChangeOrder(handle, &arrangement);
  if (status != QX_OK) return status;
  status = QXAutoAlign(handle);
  if (status < 0) return status;
  if (alignment == Alignment::Truth) injectTruth(handle, layout);
  return status;
}

namespace {

Picture halvedPage(const Picture& page, int level) {
  Picture current = page;
  for (int i = 0; i < level; ++i) {
    const tagPixelArray view = current.view();
    current = Picture::fromArray(*qx::halve(view, {}));
  }
  return current;
}

// The page at `level` as the composed result sees it, and where the result lies on it.
class ResultOnPage {
 public:
  ResultOnPage(const tagPixelArray& result, const StitchLayout& layout, int level)
      : result_(result), layout_(layout), scale_(std::ldexp(1.0, level)),
        page_(halvedPage(layout.page, level)) {}

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
      if (u >= margin && v >= margin && u <= p.width - 1 - margin && v <= p.height - 1 - margin) cells |= 1u << cell;
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
    const double bottom = page_.pixel(x0, y0 + 1)[ch] * (1 - fx) + page_.pixel(x0 + 1, y0 + 1)[ch] * fx;
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
    const int32_t guessX = static_cast<int32_t>(std::floor(minX)), guessY = static_cast<int32_t>(std::floor(minY));
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

StitchCheck checkAgainstPage(const tagPixelArray& result, const StitchLayout& layout, int level, int search) {
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
                          on.coveringCells(i0, j0 + kTile - 1) && on.coveringCells(i0 + kTile - 1, j0 + kTile - 1);
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
      if (covering == 0 || (covering & (covering - 1)) != 0 || !on.difference(i, j, 0, 0, d)) continue;
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

}  // namespace qxtest
