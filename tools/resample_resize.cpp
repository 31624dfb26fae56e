#include <algorithm>
#include <cmath>
#include <vector>

#include "guard.h"
#include "halving_kernel.h"
#include "resample.h"
#include "result_tiles.h"

namespace tessaly::tools {
namespace {

constexpr int32_t kWeightBits = 12;  // weights of one axis sum to 4096

// For each result index of one axis: the first source index it covers and the weights of the
// source pixels it covers, in 1/4096 of the result pixel. Result pixel j covers the source span
// [j * from / to, (j + 1) * from / to), computed exactly in units of 1 / to.
struct AxisWeights {
  std::vector<int32_t> first;
  std::vector<int32_t> count;
  std::vector<int32_t> offset;  // into weights
  std::vector<int32_t> weights;
};

AxisWeights axisWeights(int64_t from, int64_t to, int32_t begin, int32_t end) {
  AxisWeights a;
  for (int32_t j = begin; j < end; ++j) {
    const int64_t start = j * from, stop = (j + 1) * from;
    const auto first = static_cast<int32_t>(start / to);
    const auto last = static_cast<int32_t>((stop - 1) / to);
    a.first.push_back(first);
    a.count.push_back(last - first + 1);
    a.offset.push_back(static_cast<int32_t>(a.weights.size()));
    // Cumulative rounding keeps the sum exactly 4096.
    int64_t covered = 0, given = 0;
    for (int32_t i = first; i <= last; ++i) {
      covered += std::min(stop, (i + 1) * to) - std::max(start, i * to);
      const int64_t upTo = (covered * (1 << kWeightBits) + from / 2) / from;
      a.weights.push_back(static_cast<int32_t>(upTo - given));
      given = upTo;
    }
  }
  return a;
}

void averageTile(BlockHeader& out, const PixelBuffer& in, int32_t firstX, int32_t firstY,
                 const AxisWeights& ax, const AxisWeights& ay, int32_t channels) {
  const auto columns = static_cast<int32_t>(ax.first.size());
  // Horizontal pass over every buffer row, then the vertical pass per result row.
  std::vector<uint32_t> across(static_cast<size_t>(in.height) * columns * channels);
  for (int32_t y = 0; y < in.height; ++y) {
    const unsigned char* row = in.row(y);
    uint32_t* sums = across.data() + static_cast<size_t>(y) * columns * channels;
    for (int32_t j = 0; j < columns; ++j) {
      const unsigned char* p = row + (ax.first[j] - firstX) * channels;
      const int32_t* w = ax.weights.data() + ax.offset[j];
      for (int32_t c = 0; c < channels; ++c) {
        uint32_t sum = 0;
        for (int32_t k = 0; k < ax.count[j]; ++k) sum += w[k] * p[k * channels + c];
        sums[j * channels + c] = sum;
      }
    }
  }
  const size_t rowValues = static_cast<size_t>(columns) * channels;
  std::vector<uint32_t> total(rowValues);
  for (int32_t y = 0; y < out.bottom - out.top; ++y) {
    std::fill(total.begin(), total.end(), 1u << (2 * kWeightBits - 1));
    const int32_t* w = ay.weights.data() + ay.offset[y];
    for (int32_t k = 0; k < ay.count[y]; ++k) {
      const uint32_t* sums = across.data() + (ay.first[y] - firstY + k) * rowValues;
      const auto weight = static_cast<uint32_t>(w[k]);
      for (size_t v = 0; v < rowValues; ++v) total[v] += weight * sums[v];
    }
    unsigned char* to = out.data + int64_t{y} * out.stride;
    for (size_t v = 0; v < rowValues; ++v) {
      to[v] = static_cast<unsigned char>(total[v] >> (2 * kWeightBits));
    }
  }
}

// Halving in both directions, the common case of display copies: each result byte is the
// rounded mean of a 2 x 2 block, exactly what the general weights give (halving_kernel.h).
void halveTile(BlockHeader& out, const PixelBuffer& in, int32_t channels) {
  for (int32_t y = 0; y < out.bottom - out.top; ++y)
    halveRows(out.data + int64_t{y} * out.stride, in.row(2 * y), in.row(2 * y + 1),
              out.right - out.left, channels);
}

// Whether halving can read the source's blocks where they are: no 2 x 2 cell then straddles two
// blocks, because the area starts on even coordinates and the tiles have even sizes.
bool halvesInPlace(const LayerGeometry& g, const RECT& area) {
  return area.left % 2 == 0 && area.top % 2 == 0 && g.tileWidth % 2 == 0 && g.tileHeight % 2 == 0;
}

// One result tile halved straight from the source blocks under it (part, layer coordinates),
// without copying them out first. Parts without a block stay as the zeroed result block has them.
void halveFromBlocks(zanHandle source, const LayerGeometry& g, const RECT& part, BlockHeader& out) {
  const int32_t bytes = g.pixelBytes();
  for (int32_t top = part.top / g.tileHeight * g.tileHeight; top < part.bottom;
       top += g.tileHeight) {
    for (int32_t left = part.left / g.tileWidth * g.tileWidth; left < part.right;
         left += g.tileWidth) {
      const ReadBlock read(source, left, top);
      const BlockHeader* block = read.get();
      if (block == nullptr || block->data == nullptr || block->bitsPerPixel != g.bitsPerPixel)
        continue;
      const RECT piece{std::max(part.left, block->left), std::max(part.top, block->top),
                       std::min(part.right, block->right), std::min(part.bottom, block->bottom)};
      for (int32_t y = piece.top; y + 1 < piece.bottom; y += 2) {
        const unsigned char* a = static_cast<const unsigned char*>(block->data) +
                                 int64_t{y - block->top} * block->stride +
                                 int64_t{piece.left - block->left} * bytes;
        halveRows(out.data + int64_t{(y - part.top) / 2} * out.stride +
                      int64_t{(piece.left - part.left) / 2} * bytes,
                  a, a + block->stride, (piece.right - piece.left) / 2, bytes);
      }
    }
  }
}

}  // namespace

OwnedLayer resizeArea(zanHandle source, const RECT& area, const RECT& resultRect,
                      ProgressMeter& meter) {
  const LayerGeometry g = readGeometry(source);
  const int64_t fromW = area.right - area.left, fromH = area.bottom - area.top;
  const int64_t toW = resultRect.right - resultRect.left, toH = resultRect.bottom - resultRect.top;
  const int32_t channels = g.pixelBytes();
  const bool halving = fromW == 2 * toW && fromH == 2 * toH;
  PixelBuffer in;  // reused from tile to tile: fresh memory for each would cost page faults
  return forResultTiles(source, resultRect, meter, [&](BlockHeader& out, const RECT& tile) {
    if (halving && halvesInPlace(g, area)) {
      halveFromBlocks(source, g,
                      RECT{area.left + 2 * tile.left, area.top + 2 * tile.top,
                           area.left + 2 * tile.right, area.top + 2 * tile.bottom},
                      out);
      return;
    }
    if (halving) {
      const RECT part{2 * tile.left, 2 * tile.top, 2 * tile.right, 2 * tile.bottom};
      in.reshape(part.right - part.left, part.bottom - part.top, g.bitsPerPixel);
      readPixels(source,
                 RECT{area.left + part.left, area.top + part.top, area.left + part.right,
                      area.top + part.bottom},
                 in);
      halveTile(out, in, channels);
      return;
    }
    const AxisWeights ax = axisWeights(fromW, toW, tile.left, tile.right);
    const AxisWeights ay = axisWeights(fromH, toH, tile.top, tile.bottom);
    const int32_t firstX = ax.first.front(), firstY = ay.first.front();
    const int32_t lastX = ax.first.back() + ax.count.back();
    const int32_t lastY = ay.first.back() + ay.count.back();
    in.reshape(lastX - firstX, lastY - firstY, g.bitsPerPixel);
    readPixels(source,
               RECT{area.left + firstX, area.top + firstY, area.left + lastX, area.top + lastY},
               in);
    averageTile(out, in, firstX, firstY, ax, ay, channels);
  });
}

OwnedLayer resizeRepeat(zanHandle source, const RECT& area, const RECT& resultRect,
                        ProgressMeter& meter) {
  const LayerGeometry g = readGeometry(source);
  const int64_t fromW = area.right - area.left, fromH = area.bottom - area.top;
  const int64_t toW = resultRect.right - resultRect.left, toH = resultRect.bottom - resultRect.top;
  const int32_t pixelBytes = g.pixelBytes();
  return forResultTiles(source, resultRect, meter, [&](BlockHeader& out, const RECT& tile) {
    // The source column and row each result column and row falls in.
    std::vector<int32_t> columns, rows;
    for (int32_t x = tile.left; x < tile.right; ++x) columns.push_back(int32_t(x * fromW / toW));
    for (int32_t y = tile.top; y < tile.bottom; ++y) rows.push_back(int32_t(y * fromH / toH));
    const int32_t firstX = columns.front(), firstY = rows.front();
    PixelBuffer in(columns.back() - firstX + 1, rows.back() - firstY + 1, g.bitsPerPixel);
    readPixels(source,
               RECT{area.left + firstX, area.top + firstY, area.left + columns.back() + 1,
                    area.top + rows.back() + 1},
               in);
    for (size_t y = 0; y < rows.size(); ++y) {
      const unsigned char* from = in.row(rows[y] - firstY);
      unsigned char* to = out.data + int64_t(y) * out.stride;
      for (size_t x = 0; x < columns.size(); ++x) {
        std::copy_n(from + (columns[x] - firstX) * pixelBytes, pixelBytes, to + x * pixelBytes);
      }
    }
  });
}

namespace {

bool mapPoint(const double m[9], double x, double y, double& outX, double& outY) {
  const double w = m[2] * x + m[5] * y + m[8];
  if (std::fabs(w) < 1e-12) return false;
  outX = (m[0] * x + m[3] * y + m[6]) / w;
  outY = (m[1] * x + m[4] * y + m[7]) / w;
  return true;
}

}  // namespace

OwnedLayer renderProjective(zanHandle source, const RECT& resultRect, const double inverse[9],
                            bool bilinear, ProgressMeter& meter) {
  const LayerGeometry g = readGeometry(source);
  const int32_t channels = g.pixelBytes();
  // The whole source is read once per tile row of the result at most: a projective tile may
  // reach anywhere, so the area is bounded by the mapped corners of the tile.
  return forResultTiles(source, resultRect, meter, [&](BlockHeader& out, const RECT& tile) {
    double minX = 1e18, minY = 1e18, maxX = -1e18, maxY = -1e18;
    for (const int32_t x : {tile.left, tile.right}) {
      for (const int32_t y : {tile.top, tile.bottom}) {
        double sx, sy;
        if (!mapPoint(inverse, resultRect.left + x, resultRect.top + y, sx, sy)) {
          sx = sy = 0, minX = minY = -1e9, maxX = maxY = 1e9;
        }
        minX = std::min(minX, sx), maxX = std::max(maxX, sx);
        minY = std::min(minY, sy), maxY = std::max(maxY, sy);
      }
    }
    const auto clip = [](double v, int32_t limit) {
      return static_cast<int32_t>(std::clamp(v, 0.0, static_cast<double>(limit)));
    };
    const RECT area{clip(std::floor(minX) - g.rect.left - 1, g.width()),
                    clip(std::floor(minY) - g.rect.top - 1, g.height()),
                    clip(std::floor(maxX) - g.rect.left + 2, g.width()),
                    clip(std::floor(maxY) - g.rect.top + 2, g.height())};
    if (area.right <= area.left || area.bottom <= area.top) return;
    PixelBuffer in(area.right - area.left, area.bottom - area.top, g.bitsPerPixel);
    readPixels(source, area, in);
    for (int32_t y = tile.top; y < tile.bottom; ++y) {
      unsigned char* to = out.data + int64_t{y - tile.top} * out.stride;
      for (int32_t x = tile.left; x < tile.right; ++x, to += channels) {
        double sx, sy;
        if (!mapPoint(inverse, resultRect.left + x + 0.5, resultRect.top + y + 0.5, sx, sy)) {
          continue;
        }
        // Source pixel units relative to the area: 0 is the centre of its first pixel.
        sx -= g.rect.left + area.left + 0.5;
        sy -= g.rect.top + area.top + 0.5;
        if (sx < -0.5 - area.left || sy < -0.5 - area.top || sx > g.width() - 0.5 - area.left ||
            sy > g.height() - 0.5 - area.top) {
          continue;
        }
        const auto at = [&](int32_t px, int32_t py) {
          return in.row(std::clamp(py, 0, in.height - 1)) +
                 std::clamp(px, 0, in.width - 1) * channels;
        };
        if (!bilinear) {
          std::copy_n(at(int32_t(std::lround(sx)), int32_t(std::lround(sy))), channels, to);
          continue;
        }
        const auto ix = static_cast<int32_t>(std::floor(sx));
        const auto iy = static_cast<int32_t>(std::floor(sy));
        const double fx = sx - ix, fy = sy - iy;
        for (int32_t c = 0; c < channels; ++c) {
          const double top = (1 - fx) * at(ix, iy)[c] + fx * at(ix + 1, iy)[c];
          const double bottom = (1 - fx) * at(ix, iy + 1)[c] + fx * at(ix + 1, iy + 1)[c];
          to[c] = static_cast<unsigned char>(std::lround((1 - fy) * top + fy * bottom));
        }
      }
    }
  });
}

}  // namespace tessaly::tools
