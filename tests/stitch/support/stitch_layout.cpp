#include "stitch_layout.h"

#include <algorithm>
#include <cmath>

#include "session.h"

namespace tessaly::stitch::test {

namespace {

double radians(double degrees) {
  return degrees * M_PI / 180.0;
}

double pieceCentre(int32_t size) {
  return (size - 1) / 2.0;
}

}  // namespace

Picture StitchLayout::piece(int cell) const {
  const PiecePlan& p = cells[cell];
  return cutPiece(page, p.centreX, p.centreY, p.width, p.height, p.angleDegrees, p.brightness);
}

Picture StitchLayout::file(int cell) const {
  return turnByElementarySteps(piece(cell), (4 - cells[cell].fileTurns) % 4);
}

void StitchLayout::toPage(int cell, double u, double v, double& x, double& y) const {
  const PiecePlan& p = cells[cell];
  const double a = radians(p.angleDegrees), du = u - pieceCentre(p.width),
               dv = v - pieceCentre(p.height);
  x = std::cos(a) * du - std::sin(a) * dv + p.centreX;
  y = std::sin(a) * du + std::cos(a) * dv + p.centreY;
}

void StitchLayout::fromPage(int cell, double x, double y, double& u, double& v) const {
  const PiecePlan& p = cells[cell];
  const double a = radians(p.angleDegrees), dx = x - p.centreX, dy = y - p.centreY;
  u = std::cos(a) * dx + std::sin(a) * dy + pieceCentre(p.width);
  v = -std::sin(a) * dx + std::cos(a) * dy + pieceCentre(p.height);
}

tessaly::stitch::Transform StitchLayout::pairTransform(int a, int b, int level) const {
  // The image of b's origin and of its unit steps in a's coordinates give the rigid transform.
  double x0, y0, x1, y1, ua, va, ub, vb;
  toPage(b, 0, 0, x0, y0);
  fromPage(a, x0, y0, ua, va);
  toPage(b, 1, 0, x1, y1);
  fromPage(a, x1, y1, ub, vb);
  const double c = ub - ua, s = vb - va, scale = std::ldexp(1.0, -level);
  return {{c, -s, ua * scale, s, c, va * scale}};
}

std::vector<tessaly::stitch::Correspondence> StitchLayout::pairMatches(int a, int b,
                                                                       int level) const {
  const tessaly::stitch::Transform t = pairTransform(a, b, level);
  const int32_t wa = cells[a].width >> level, ha = cells[a].height >> level;
  const int32_t wb = cells[b].width >> level, hb = cells[b].height >> level;
  std::vector<tessaly::stitch::Correspondence> matches;
  for (int i = 1; i < 12 && matches.size() < 40; ++i) {
    for (int j = 1; j < 12 && matches.size() < 40; ++j) {
      const int32_t xb = wb * i / 12, yb = hb * j / 12;
      const double xa = t.m[0] * xb + t.m[1] * yb + t.m[2], ya = t.m[3] * xb + t.m[4] * yb + t.m[5];
      if (xa < 2 || ya < 2 || xa > wa - 3 || ya > ha - 3) continue;
      matches.push_back(
          {static_cast<int32_t>(std::lround(xa)), static_cast<int32_t>(std::lround(ya)), xb, yb});
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
            const int32_t xx = std::clamp(x + dx, 0, page.width - 1),
                          yy = std::clamp(y + dy, 0, page.height - 1);
            sum += (2 - std::abs(dx)) * (2 - std::abs(dy)) * page.pixel(xx, yy)[ch];
          }
        }
        out.pixel(x, y)[ch] = static_cast<uint8_t>((sum + 8) / 16);
      }
    }
  }
  return out;
}

StitchLayout gridLayout(int32_t rows, int32_t columns, int32_t width, int32_t height,
                        int32_t overlap, uint32_t seed, int32_t border, bool smooth) {
  StitchLayout layout;
  layout.rows = rows;
  layout.columns = columns;
  const int32_t stepX = width - overlap, stepY = height - overlap;
  layout.page = makeTexturedPage(2 * border + stepX * (columns - 1) + width,
                                 2 * border + stepY * (rows - 1) + height, seed);
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

StitchLayout tiltedGrid(int32_t rows, int32_t columns, int32_t width, int32_t height,
                        int32_t overlap, uint32_t seed) {
  StitchLayout layout = gridLayout(rows, columns, width, height, overlap, seed);
  const double tilts[] = {0, 1.5, -1.0, 0.7, -2.0, 1.2};
  for (size_t cell = 0; cell < layout.cells.size(); ++cell)
    layout.cells[cell].angleDegrees = tilts[cell % 6];
  return layout;
}

void squeezeTones(Picture& page) {
  for (uint8_t& v : page.bytes) v = static_cast<uint8_t>(40 + v * 175 / 255);
}

void injectTruth(void* handle, const StitchLayout& layout) {
  tessaly::stitch::Session& s = *static_cast<tessaly::stitch::Session*>(handle);
  for (int32_t r = 0; r < layout.rows; ++r) {
    for (int32_t c = 0; c < layout.columns; ++c) {
      const int cell = r * layout.columns + c;
      tessaly::stitch::PieceRecord& piece = s.pieces[cell];
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
  long status = QXLoadImages(handle, static_cast<long>(files.size()), loadNames.pointers.data(),
                             sizes.data());
  if (status != QX_OK) return status;
  NameBuffers cellNames(files);
  tagStitchOrderInfo arrangement{layout.rows, layout.columns, cellNames.pointers.data(),
                                 turns.data()};
  status = QXChangeOrder(handle, &arrangement);
  if (status != QX_OK) return status;
  status = QXAutoAlign(handle);
  if (status < 0) return status;
  if (alignment == Alignment::Truth) injectTruth(handle, layout);
  return status;
}

}  // namespace tessaly::stitch::test
