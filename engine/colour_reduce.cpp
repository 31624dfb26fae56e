// Colour reduction of a whole picture: the palette (fixed, or median cut over the picture's
// histogram), then the picture composed over white band by band and turned into an 8-bit layer
// of a new picture.
#include "colour_reduce.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "zanError.h"
#include "zanHeap.h"
#include "zanengin.h"

namespace tessaly::engine {
namespace {

constexpr int32_t kBandRows = 8;

// A 24-bit scratch block of the picture's width and one band of rows, over which the picture's
// visible layers are composed on white.
class WhiteBand {
 public:
  explicit WhiteBand(int32_t width) : width_(width) {
    const int64_t stride = (int64_t{width} * 3 + 3) / 4 * 4;
    if (width <= 0 || stride * kBandRows > INT32_MAX) _zanThrow(ZAN_ERR_ARG);
    int32_t error = ZAN_OK;
    block_ = zanCreateBlock(uint32_t(stride * kBandRows), ZAN_BLOCK_PIXELS, &error);
    if (block_ == nullptr) _zanThrow(error != ZAN_OK ? error : ZAN_ERR_CREATE);
    block_->bitsPerPixel = 24;
    block_->stride = int32_t(stride);
    block_->left = 0;
    block_->right = width;
  }
  WhiteBand(const WhiteBand&) = delete;
  WhiteBand& operator=(const WhiteBand&) = delete;
  ~WhiteBand() { zanDestroyBlock(block_); }

  // Composes rows y to y + rows of the picture; answers the first row.
  const uint8_t* compose(zanHandle picture, int32_t y, int32_t rows) {
    block_->top = y;
    block_->bottom = y + rows;
    std::memset(block_->data, 0xFF, size_t(block_->stride) * size_t(rows));
    const int32_t code = zanGetPictureBits(block_, picture, 0, y, width_, y + rows);
    if (code != ZAN_OK) _zanThrow(code);
    return block_->data;
  }
  int32_t stride() const { return block_->stride; }

 private:
  int32_t width_;
  BlockHeader* block_ = nullptr;
};

struct Plan {
  int32_t colours;
  int32_t paletteType;
  int32_t ditherType;
  bool twoColour;
};

Plan planOf(int32_t bits, int32_t paletteType, int32_t ditherType) {
  Plan plan{1 << std::clamp(bits, 1, 8), std::clamp(paletteType, 0, 4),
            std::clamp(ditherType, 0, 5), false};
  plan.twoColour = plan.paletteType == ZAN_PALETTE_TWO || plan.ditherType >= 3;
  if (plan.twoColour) {
    plan.paletteType = ZAN_PALETTE_TWO;
    // Without a cube the colour methods fall back on their two-colour counterparts.
    if (plan.ditherType == ZAN_DITHER_ORDERED) plan.ditherType = ZAN_DITHER_ORDERED_TWO;
    if (plan.ditherType == ZAN_DITHER_DIFFUSION) plan.ditherType = ZAN_DITHER_DIFFUSION_TWO;
  }
  return plan;
}

Histogram histogramOf(zanHandle picture, int32_t width, int32_t height) {
  Histogram histogram(size_t(kCubeCells), 0);
  WhiteBand band(width);
  for (int32_t y = 0; y < height; y += kBandRows) {
    const int32_t rows = std::min(kBandRows, height - y);
    const uint8_t* top = band.compose(picture, y, rows);
    for (int32_t j = 0; j < rows; ++j) countPixels(histogram, top + j * band.stride(), width);
  }
  return histogram;
}

ReducedPalette paletteFor(const Plan& plan, zanHandle picture, int32_t width, int32_t height) {
  if (plan.paletteType == ZAN_PALETTE_ADAPTIVE)
    return medianCutPalette(histogramOf(picture, width, height), plan.colours);
  ReducedPalette palette = fixedPalette(plan.paletteType);
  // A fixed palette larger than the depth allows is cut to it, so no index reaches 2^bits.
  palette.count = std::min(palette.count, plan.colours);
  return palette;
}

// The palette as the engine keeps it: a heap block of 4-byte entries.
zanHandle paletteBlock(const ReducedPalette& palette) {
  const uint32_t bytes = uint32_t(palette.count) * 4;
  zan::HeapBlock block(0, bytes, 0);
  zan::HeapLock<uint8_t> data = block.lock<uint8_t>();
  if (!data) _zanThrow(ZAN_ERR_CREATE);
  std::memcpy(data.get(), palette.entries.data(), bytes);
  data.markModified();
  data.unlock();
  return block.release();
}

class OwnedPicture {
 public:
  explicit OwnedPicture(zanHandle handle) : handle_(handle) {}
  OwnedPicture(const OwnedPicture&) = delete;
  OwnedPicture& operator=(const OwnedPicture&) = delete;
  ~OwnedPicture() {
    if (handle_ != 0) zanDestroyPicture(handle_);
  }
  zanHandle get() const { return handle_; }
  zanHandle release() { return std::exchange(handle_, 0); }

 private:
  zanHandle handle_;
};

void check(int32_t code) {
  if (code < 0) _zanThrow(code);
}

}  // namespace

zanHandle reduceColours(zanHandle picture, int32_t bits, int32_t paletteType, int32_t ditherType) {
  int32_t width = 0, height = 0, error = ZAN_OK;
  zanPictureGetSize(picture, nullptr, &width, &height);
  if (width <= 0 || height <= 0) _zanThrow(ZAN_ERR_ARG);
  const Plan plan = planOf(bits, paletteType, ditherType);
  const ReducedPalette palette = paletteFor(plan, picture, width, height);
  OwnedPicture result(zanClonePicture(picture, 0, &error));
  if (result.get() == 0) _zanThrow(error != ZAN_OK ? error : ZAN_ERR_CREATE);
  const int32_t eight = 8;
  zanSetPictureProperty(result.get(), ZAN_PICT_BPP, &eight, sizeof eight, 0);
  const zanHandle layer = zanCreateLayer(0, 0, width, height, &error);
  if (layer == 0) _zanThrow(error != ZAN_OK ? error : ZAN_ERR_CREATE);
  if (zanInsertLayer(result.get(), layer, 0) < 0) {
    zanDestroyLayer(layer);
    _zanThrow(ZAN_ERR_CREATE);
  }
  // The picture owns the layer from here on, so a failure below frees it with the picture.
  check(zanSetLayerProperty(layer, ZAN_LAYER_BPP, &eight, sizeof eight, 0));
  const zanHandle block = paletteBlock(palette);
  check(zanSetLayerProperty(layer, ZAN_LAYER_PALETTE, &block, sizeof block, 0));
  check(zanSetPictureProperty(result.get(), ZAN_PICT_PALETTE, &block, sizeof block, 0));

  BandReducer reducer(width, plan.ditherType, palette,
                      plan.twoColour ? std::vector<uint8_t>{} : buildCube(palette, palette.count),
                      plan.twoColour);
  WhiteBand band(width);
  const int64_t outStride = (int64_t{width} + 3) / 4 * 4;
  std::vector<uint8_t> indices(size_t(outStride) * kBandRows);
  for (int32_t y = 0; y < height; y += kBandRows) {
    const int32_t rows = std::min(kBandRows, height - y);
    reducer.convert(band.compose(picture, y, rows), band.stride(), y, rows, indices.data(),
                    outStride);
    check(zanSetLayerBits(indices.data(), layer, 0, y, width, y + rows, int32_t(outStride), 0));
  }
  return result.release();
}

}  // namespace tessaly::engine
