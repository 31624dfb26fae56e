#include "blend_resample.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "blend_placement.h"
#include "errors.h"
#include "worker_pool.h"

namespace tessaly::stitch {

namespace {

constexpr int32_t kRowsPerReport = 32;

// Maps v to v + offset clamped to a byte, for all 256 values at once.
std::array<uint8_t, 256> offsetTable(int32_t offset) {
  std::array<uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v)
    table[v] = static_cast<uint8_t>(std::clamp<int64_t>(int64_t{v} + offset, 0, 255));
  return table;
}

// Fills the rows of out in bands of kRowsPerReport rows, fill(y0, y1) for each band on any worker
// (bands write disjoint rows of the image and of its coverage); the report before each band is
// made on this thread, in band order.
template <typename Fill>
void fillInBands(int32_t height, const ProgressRange& range, const Fill& fill) {
  const size_t bands = static_cast<size_t>((height + kRowsPerReport - 1) / kRowsPerReport);
  const auto band = [&](size_t j) {
    const int32_t y0 = static_cast<int32_t>(j) * kRowsPerReport;
    fill(y0, std::min(height, y0 + kRowsPerReport));
  };
  const auto report = [&](size_t j) {
    range.at(static_cast<double>(static_cast<int32_t>(j) * kRowsPerReport) / height);
  };
  parallelFor(bands, band, report);
}

void copyUnrotated(const tagPixelArray& piece, Surface& out, const std::array<uint8_t, 256>& shift,
                   const ProgressRange& range) {
  const int32_t bytes = piece.width * 3;
  fillInBands(piece.height, range, [&](int32_t y0, int32_t y1) {
    for (int32_t y = y0; y < y1; ++y) {
      const uint8_t* from = rowOf(piece, y);
      uint8_t* to = rowOf(*out.image, y);
      for (int32_t i = 0; i < bytes; ++i) to[i] = shift[from[i]];
      out.coverage.setRun(y, 0, piece.width);
    }
  });
}

void sampleRotated(const tagPixelArray& piece, const Transform& global, Surface& out,
                   const std::array<uint8_t, 256>& shift, const ProgressRange& range) {
  // Frame point -> piece point: the inverse of the placement.
  const double* m = global.m;
  const double det = m[0] * m[4] - m[1] * m[3];
  if (!(std::fabs(det) > 1e-12)) fail(QX_ERR_INPUT);
  const double a = m[4] / det, b = -m[1] / det, c = -m[3] / det, d = m[0] / det;
  const double x0 = out.rect.left - m[2], y0 = out.rect.top - m[5];
  const auto fixed = [](double v) { return static_cast<int64_t>(v * 65536.0); };
  const int64_t firstU = fixed(a * x0 + b * y0), firstV = fixed(c * x0 + d * y0);
  const int64_t stepUx = fixed(a), stepVx = fixed(c);  // one frame column to the right
  const int64_t stepUy = fixed(b), stepVy = fixed(d);  // one frame row down
  const int64_t lastX = piece.width - 2, lastY = piece.height - 2;

  fillInBands(out.image->height, range, [&](int32_t firstRow, int32_t endRow) {
    for (int32_t y = firstRow; y < endRow; ++y) {
      uint8_t* to = rowOf(*out.image, y);
      int64_t u = firstU + y * stepUy, v = firstV + y * stepVy;
      for (int32_t x = 0; x < out.image->width; ++x, u += stepUx, v += stepVx, to += 3) {
        const int64_t iu = u >> 16, iv = v >> 16;  // floor, also below zero
        if (iu < 0 || iv < 0 || iu > lastX || iv > lastY) {
          to[0] = to[1] = to[2] = 255;
          continue;
        }
        const uint32_t fx = static_cast<uint32_t>(u >> 8) & 255,
                       fy = static_cast<uint32_t>(v >> 8) & 255;
        const uint32_t w00 = (256 - fx) * (256 - fy), w10 = fx * (256 - fy), w01 = (256 - fx) * fy,
                       w11 = fx * fy;
        const uint8_t* p0 = rowOf(piece, static_cast<int32_t>(iv)) + iu * 3;
        const uint8_t* p1 = p0 + piece.bytesPerLine;
        for (int ch = 0; ch < 3; ++ch) {
          to[ch] = shift[(p0[ch] * w00 + p0[ch + 3] * w10 + p1[ch] * w01 + p1[ch + 3] * w11) >> 16];
        }
        out.coverage.set(x, y);
      }
    }
  });
}

}  // namespace

Surface resamplePiece(const tagPixelArray& piece, const Transform& global, const RECT& rect,
                      int32_t offset, const ProgressRange& range) {
  // Both ways write every pixel of the rectangle (white where the piece does not reach) in the
  // workers' bands, so the surface is not filled white first: a whole pass over fresh memory, and
  // its page faults, on one thread, saved. An unrotated copy writes only the piece's own size, so
  // a larger rectangle is still filled white first.
  const bool unrotated = isUnrotated(global);
  const bool exact =
      rect.right - rect.left == piece.width && rect.bottom - rect.top == piece.height;
  Surface out = makeSurface(rect, !unrotated || exact ? Fill::PaddingOnly : Fill::White);
  const std::array<uint8_t, 256> shift = offsetTable(offset);
  if (unrotated) {
    copyUnrotated(piece, out, shift, range);
  } else {
    sampleRotated(piece, global, out, shift, range);
  }
  range.at(1.0);
  return out;
}

}  // namespace tessaly::stitch
