// Turning 24-bit rows into palette indices: no dithering, ordered dithering, error diffusion,
// and the three two-colour methods.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "colour_reduce.h"

namespace tessaly::engine {
namespace {

constexpr uint8_t kBayer[64] = {0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26,
                                12, 44, 4,  36, 14, 46, 6,  38, 60, 28, 52, 20, 62, 30, 54, 22,
                                3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27, 49, 17, 57, 25,
                                15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21};

// The visiting order of dot diffusion within an 8 x 8 block.
constexpr uint8_t kClass[64] = {34, 48, 40, 32, 29, 15, 23, 31, 42, 58, 56, 53, 21, 5,  7,  10,
                                50, 62, 61, 45, 13, 1,  2,  18, 38, 46, 54, 37, 25, 17, 9,  26,
                                28, 14, 22, 30, 35, 49, 41, 33, 20, 4,  6,  11, 43, 59, 57, 52,
                                12, 0,  3,  19, 51, 63, 60, 44, 24, 16, 8,  27, 39, 47, 55, 36};

constexpr uint8_t kWhite = 0, kBlack = 1;

int32_t clampByte(int32_t v) {
  return std::clamp(v, 0, 255);
}

// Channels in red, green, blue order of a blue-green-red pixel and of an entry.
struct Rgb {
  int32_t c[3];
};
Rgb rgbOf(const uint8_t* bgr) {
  return Rgb{{bgr[2], bgr[1], bgr[0]}};
}
Rgb rgbOf(const PaletteColour& e) {
  return Rgb{{e.red, e.green, e.blue}};
}

}  // namespace

BandReducer::BandReducer(int32_t width, int32_t ditherType, const ReducedPalette& palette,
                         std::vector<uint8_t> cube, bool twoColour)
    : width_(width),
      dither_(ditherType),
      palette_(palette),
      cube_(std::move(cube)),
      twoColour_(twoColour),
      above_(size_t(width + 2) * 3, 0),
      current_(size_t(width + 2) * 3, 0) {}

uint8_t BandReducer::indexAt(int32_t red, int32_t green, int32_t blue) const {
  return cube_[size_t(cubeCell(red, green, blue))];
}

const PaletteColour& BandReducer::entryAt(int32_t red, int32_t green, int32_t blue) const {
  return palette_.entries[indexAt(red, green, blue)];
}

void BandReducer::convert(const uint8_t* bgr, int64_t stride, int32_t y, int32_t rows, uint8_t* out,
                          int64_t outStride) {
  if (dither_ == 5) {
    dots(bgr, stride, rows, out, outStride, y);
    return;
  }
  for (int32_t j = 0; j < rows; ++j) {
    const uint8_t* in = bgr + j * stride;
    uint8_t* to = out + j * outStride;
    switch (dither_) {
      case 1:
        ordered(in, y + j, to);
        break;
      case 2:
        diffused(in, to);
        break;
      case 3:
        orderedTwo(in, y + j, to);
        break;
      case 4:
        diffusedTwo(in, to);
        break;
      default:
        plain(in, to);
        break;
    }
  }
}

void BandReducer::plain(const uint8_t* in, uint8_t* out) const {
  for (int32_t x = 0; x < width_; ++x, in += 3) {
    if (twoColour_)
      out[x] = greyOf(in[2], in[1], in[0]) < 128 ? kBlack : kWhite;
    else
      out[x] = indexAt(in[2], in[1], in[0]);
  }
}

void BandReducer::ordered(const uint8_t* in, int32_t y, uint8_t* out) const {
  const uint8_t* row = kBayer + (y % 8) * 8;
  for (int32_t x = 0; x < width_; ++x, in += 3) {
    const Rgb pixel = rgbOf(in);
    const uint8_t g = indexAt(pixel.c[0], pixel.c[1], pixel.c[2]);
    const Rgb near = rgbOf(palette_.entries[g]);
    const int32_t h = row[x % 8];
    int32_t q[3];
    for (int c = 0; c < 3; ++c) {
      const int32_t v = pixel.c[c] + h;
      q[c] = v <= 0 ? 0 : (v >= 255 ? 31 : v / 8);
    }
    const uint8_t t = cube_[size_t(q[0] * 1024 + q[1] * 32 + q[2])];
    const Rgb other = rgbOf(palette_.entries[t]);
    bool close = true;
    for (int c = 0; c < 3; ++c)
      close = close && std::abs(pixel.c[c] - other.c[c]) < std::abs(pixel.c[c] - near.c[c]) + 16;
    out[x] = close ? t : g;
  }
}

// Floyd-Steinberg weights as the pixel receives them: 7/16 from the left, 3/16 from the
// neighbour above right, 5/16 from above and 1/16 from above left.
void BandReducer::diffused(const uint8_t* in, uint8_t* out) {
  std::fill(current_.begin(), current_.end(), 0);
  for (int32_t x = 0; x < width_; ++x, in += 3) {
    const Rgb raw = rgbOf(in);
    const uint8_t t = indexAt(raw.c[0], raw.c[1], raw.c[2]);
    const Rgb tc = rgbOf(palette_.entries[t]);
    const size_t at = size_t(x + 1) * 3;
    Rgb wanted;
    for (int c = 0; c < 3; ++c) {
      const int32_t spread = 7 * current_[at - 3 + c] + 3 * above_[at + 3 + c] +
                             5 * above_[at + c] + above_[at - 3 + c];
      wanted.c[c] = clampByte(raw.c[c] + spread / 16);
    }
    uint8_t chosen = indexAt(wanted.c[0], wanted.c[1], wanted.c[2]);
    Rgb used = wanted;
    const Rgb uc = rgbOf(palette_.entries[chosen]);
    for (int c = 0; c < 3; ++c)
      if (std::abs(raw.c[c] - uc.c[c]) >= std::abs(raw.c[c] - tc.c[c]) + 16) {
        chosen = t;
        used = raw;
        break;
      }
    const Rgb entry = rgbOf(palette_.entries[chosen]);
    for (int c = 0; c < 3; ++c) current_[at + c] = used.c[c] - entry.c[c];
    out[x] = chosen;
  }
  std::swap(above_, current_);
}

void BandReducer::orderedTwo(const uint8_t* in, int32_t y, uint8_t* out) const {
  const uint8_t* row = kBayer + (y % 8) * 8;
  for (int32_t x = 0; x < width_; ++x, in += 3) {
    const int32_t scaled = (13 * greyOf(in[2], in[1], in[0]) + 25) / 51;
    out[x] = row[x % 8] >= scaled ? kBlack : kWhite;
  }
}

// One error per pixel: the pixel takes a quarter of the error of its left neighbour and of the
// three neighbours above (left, straight, right).
void BandReducer::diffusedTwo(const uint8_t* in, uint8_t* out) {
  int32_t left = 0;
  for (int32_t x = 0; x < width_; ++x, in += 3) {
    const size_t at = size_t(x + 1);
    const int32_t carried = left + above_[at - 1] + above_[at] + above_[at + 1];
    const int32_t value = greyOf(in[2], in[1], in[0]) + (carried >> 2);
    int32_t error;
    if (value > 255) {
      out[x] = kWhite;
      error = 0;
    } else if (value >= 127) {
      out[x] = kWhite;
      error = value - 255;
    } else if (value < 0) {
      out[x] = kBlack;
      error = 0;
    } else {
      out[x] = kBlack;
      error = value;
    }
    current_[at] = error;
    left = error;
  }
  std::swap(above_, current_);
}

// Each 8 x 8 block on its own: positions in rising class order take the weighted errors of their
// already visited neighbours (edges 2, corners 1). Bands are 8 rows and start on a multiple of
// 8, so a band is one row of blocks. In a partial block at the picture's edge the positions
// outside the picture take no part.
void BandReducer::dots(const uint8_t* bgr, int64_t stride, int32_t rows, uint8_t* out,
                       int64_t outStride, int32_t /*y*/) const {
  int32_t order[64];
  for (int32_t i = 0; i < 64; ++i) order[kClass[i]] = i;
  for (int32_t bx = 0; bx < width_; bx += 8) {
    const int32_t cols = std::min(8, width_ - bx);
    int32_t value[64] = {}, error[64] = {};
    for (int32_t j = 0; j < rows && j < 8; ++j)
      for (int32_t i = 0; i < cols; ++i) {
        const uint8_t* p = bgr + j * stride + (bx + i) * 3;
        value[j * 8 + i] = greyOf(p[2], p[1], p[0]);
      }
    for (int32_t k = 0; k < 64; ++k) {
      const int32_t pos = order[k], py = pos / 8, px = pos % 8;
      if (py >= rows || px >= cols) continue;
      int32_t sum = 0, weight = 0;
      for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) {
          const int32_t ny = py + dy, nx = px + dx;
          if ((dx == 0 && dy == 0) || ny < 0 || ny >= rows || ny >= 8 || nx < 0 || nx >= cols)
            continue;
          if (kClass[ny * 8 + nx] >= k) continue;
          const int32_t w = (dx == 0 || dy == 0) ? 2 : 1;
          sum += w * error[ny * 8 + nx];
          weight += w;
        }
      int32_t v = value[pos];
      if (weight != 0) v += sum / weight;
      v = clampByte(v);
      const bool white = v >= 128;
      error[pos] = white ? v - 255 : v;
      out[py * outStride + bx + px] = white ? kWhite : kBlack;
    }
  }
}

}  // namespace tessaly::engine
