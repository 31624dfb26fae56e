#include "levels.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "errors.h"
#include "worker_pool.h"

namespace tessaly::stitch {

int levelCount(const POINT* sizes, long count, const StitchPolicy& policy) {
  if (count <= 0) return 0;
  long smallest = 0;
  uint32_t smallestArea = static_cast<uint32_t>(sizes[0].x) * static_cast<uint32_t>(sizes[0].y);
  for (long i = 1; i < count; ++i) {
    const uint32_t area = static_cast<uint32_t>(sizes[i].x) * static_cast<uint32_t>(sizes[i].y);
    if (area < smallestArea) {
      smallestArea = area;
      smallest = i;
    }
  }
  int levels = 1;
  for (uint32_t q = smallestArea / 4; q >= 1500; q /= 4) ++levels;

  const uint32_t minEdge = policy.coarsestMinimumSide;
  const uint32_t w = static_cast<uint32_t>(sizes[smallest].x) >> (levels - 1);
  const uint32_t h = static_cast<uint32_t>(sizes[smallest].y) >> (levels - 1);
  return (w > minEdge && h > minEdge) ? levels : levels - 1;
}

namespace {

// Vertical pass of the filter for one output row: sums[x] = above + 2 * centre + below for
// every byte of the row.
void verticalSums(const uint8_t* above, const uint8_t* centre, const uint8_t* below, size_t bytes,
                  uint16_t* sums) {
  for (size_t x = 0; x < bytes; ++x) sums[x] = above[x] + 2 * centre[x] + below[x];
}

// Horizontal pass: output pixel j = (left + 2 * centre + right) / 16 of the column sums at
// source pixels 2j - 1, 2j, 2j + 1. Only the left tap of the first pixel needs clamping: for
// every output pixel 2j + 1 is still inside the source (j < sourceWidth / 2).
void horizontalReduce(const uint16_t* sums, int32_t outWidth, uint8_t* out) {
  if (outWidth == 0) return;
  for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((3u * sums[c] + sums[3 + c]) >> 4);
  for (int32_t j = 1; j < outWidth; ++j) {
    const uint16_t* centre = sums + 6 * j;
    uint8_t* to = out + 3 * j;
    to[0] = static_cast<uint8_t>((centre[-3] + 2u * centre[0] + centre[3]) >> 4);
    to[1] = static_cast<uint8_t>((centre[-2] + 2u * centre[1] + centre[4]) >> 4);
    to[2] = static_cast<uint8_t>((centre[-1] + 2u * centre[2] + centre[5]) >> 4);
  }
}

}  // namespace

// Output rows one worker makes at a time.
constexpr int32_t kRowsPerBand = 64;

ImagePtr halve(const tagPixelArray& source, const ProgressRange& range) {
  const int32_t outWidth = source.width / 2;
  const int32_t outHeight = source.height / 2;
  ImagePtr out = makeImage(outWidth, outHeight, Fill::PaddingOnly);
  const size_t rowBytes = static_cast<size_t>(source.width) * 3;
  const auto firstRow = [](size_t band) { return static_cast<int32_t>(band) * kRowsPerBand; };
  const auto endRow = [&](size_t band) {
    return std::min(outHeight, firstRow(band) + kRowsPerBand);
  };
  const auto reduceBand = [&](size_t band) {
    std::vector<uint16_t> sums(rowBytes);
    for (int32_t i = firstRow(band); i < endRow(band); ++i) {
      const int32_t centre = 2 * i;
      const int32_t above = centre == 0 ? 0 : centre - 1;
      const int32_t below = centre + 1;  // inside the source, as i < source.height / 2
      verticalSums(rowOf(source, above), rowOf(source, centre), rowOf(source, below), rowBytes,
                   sums.data());
      horizontalReduce(sums.data(), outWidth, rowOf(*out, i));
    }
  };
  // One report per output row, made here in row order once its band is done.
  const auto report = [&](size_t band) {
    for (int32_t i = firstRow(band); i < endRow(band); ++i)
      range.at(static_cast<double>(i) / outHeight);
  };
  parallelFor(static_cast<size_t>((outHeight + kRowsPerBand - 1) / kRowsPerBand), reduceBand,
              report);
  range.at(1.0);
  return out;
}

std::vector<ImagePtr> buildLevels(LoadedImage& loaded, int coarsest, KeepLevels keep,
                                  const Progress& progress, double a, double b) {
  std::vector<ImagePtr> levels(coarsest + 1);
  if (coarsest == 0) {
    levels[0] = copyImage(*loaded);
    loaded.handBack();
    return levels;
  }
  const auto position = [&](int k) {
    return a + 2 + (b - a - 2) * (1.0 - 1.0 / double(1u << (k - 1)));
  };
  for (int k = 1; k <= coarsest; ++k) {
    const double at = position(k);
    progress.report(at);
    const tagPixelArray& from = k == 1 ? *loaded : *levels[k - 1];
    levels[k] = halve(from, {&progress, at, position(k + 1)});
    if (k == 1) loaded.handBack();

    const bool dropPrevious = k >= 2 && (keep == KeepLevels::CoarsestOnly ||
                                         (keep == KeepLevels::AllButFullAndHalf && k == 2));
    if (dropPrevious) levels[k - 1].reset();
  }
  return levels;
}

}  // namespace tessaly::stitch
