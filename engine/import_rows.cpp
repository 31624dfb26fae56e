#include "import_rows.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "zanError.h"
#include "zanHeap.h"

namespace tessaly::engine {
namespace {

// No layer side may pass this: a hostile size must fail before buffers are sized, and the
// loader's pixel limit already keeps honest images far below it.
constexpr int64_t kMaxSide = 1 << 20;

struct OwnedLayer {
  zanHandle handle = 0;
  ~OwnedLayer() {
    if (handle != 0) zanDestroyLayer(handle);
  }
};

void setValue(zanHandle layer, int32_t id, int32_t value) {
  zanSetLayerProperty(layer, id, &value, sizeof value, 0);
}

// Tagged values of the plug-in become generic properties; a negative tag would reach a built-in
// property and is ignored.
void keepTaggedValue(int32_t tag, int32_t size, const void* value, void* user) {
  if (tag < 0 || size < 0 || value == nullptr) return;
  zanSetLayerProperty(*static_cast<zanHandle*>(user), tag, value, uint32_t(size), 0);
}

zanHandle paletteOf(const LayerInfo& layer, const ImageInfo& image) {
  const bool own = layer.hasPalette != 0;
  const int32_t count = std::clamp(own ? layer.paletteCount : image.paletteCount, 0, 256);
  if (count == 0) return 0;
  zan::HeapBlock block(0, uint32_t(count) * 4, 0);
  zan::HeapLock<uint8_t> data = block.lock<uint8_t>();
  if (!data) _zanThrow(ZAN_ERR_CREATE);
  std::memcpy(data.get(), own ? layer.palette : image.palette, size_t(count) * 4);
  data.markModified();
  data.unlock();
  return block.release();
}

// Band buffers: one per plane as delivered, and one of layer pixels (and mask values) when the
// delivered bytes are not already the layer's.
struct Band {
  int64_t planeStride = 0;
  std::vector<std::vector<uint8_t>> planes;
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> mask;
  int64_t pixelStride = 0;
  int64_t maskStride = 0;
};

bool deliveredAsLayer(const RowShape& s) {
  return s.planes == 1 && !s.alpha && s.inBytes * 8 == s.layerBpp;
}

Band bandFor(const RowShape& s, int64_t width, int32_t rowBytes) {
  Band band;
  const int64_t own = width * s.inBytes;
  band.planeStride = (std::max<int64_t>(own, rowBytes) + 3) / 4 * 4;
  if (band.planeStride * kImportBandRows > INT32_MAX) _zanThrow(ZAN_ERR_BUILD_LAYER);
  try {
    band.planes.assign(size_t(s.planes),
                       std::vector<uint8_t>(size_t(band.planeStride) * kImportBandRows));
    if (!deliveredAsLayer(s)) {
      band.pixelStride = (width * (s.layerBpp / 8) + 3) / 4 * 4;
      band.pixels.resize(size_t(band.pixelStride) * kImportBandRows);
    }
    if (s.alpha) {
      band.maskStride = (width + 3) / 4 * 4;
      band.mask.resize(size_t(band.maskStride) * kImportBandRows);
    }
  } catch (const std::bad_alloc&) {
    _zanThrow(ZAN_ERR_CREATE);
  }
  return band;
}

// Interleaves one delivered row into layer pixels (blue, green, red; 16-bit samples little
// endian) and mask values.
void convertRow(const RowShape& s, const uint8_t* const* in, int32_t width, uint8_t* out,
                uint8_t* mask) {
  const uint8_t* p = in[0];
  if (s.planes >= 3) {  // planes red, green, blue (and alpha)
    const int32_t n = s.inBytes;
    for (int32_t x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) std::memcpy(out + (x * 3 + 2 - c) * n, in[c] + x * n, size_t(n));
    if (mask != nullptr)
      for (int32_t x = 0; x < width; ++x) mask[x] = in[3][x * n + n - 1];
    return;
  }
  const int32_t outBytes = s.layerBpp / 8;
  for (int32_t x = 0; x < width; ++x) {
    std::memcpy(out + x * outBytes, p + x * s.inBytes, size_t(outBytes));
    if (mask != nullptr) mask[x] = p[x * s.inBytes + s.inBytes - 1];
  }
}

// Writes band rows [first, first + rows) of the band buffer into layer rows from layerRow.
void storeRows(const RowShape& s, Band& band, int32_t width, int32_t first, int32_t rows,
               zanHandle layer, zanHandle mask, int32_t layerRow) {
  const uint8_t* source = band.planes[0].data() + first * band.planeStride;
  int64_t stride = band.planeStride;
  if (!deliveredAsLayer(s)) {
    for (int32_t j = first; j < first + rows; ++j) {
      const uint8_t* in[4] = {};
      for (int32_t p = 0; p < s.planes; ++p)
        in[p] = band.planes[size_t(p)].data() + j * band.planeStride;
      convertRow(s, in, width, band.pixels.data() + j * band.pixelStride,
                 s.alpha ? band.mask.data() + j * band.maskStride : nullptr);
    }
    source = band.pixels.data() + first * band.pixelStride;
    stride = band.pixelStride;
  }
  int32_t code =
      zanSetLayerBits(source, layer, 0, layerRow, width, layerRow + rows, int32_t(stride), 0);
  if (code == ZAN_OK && s.alpha)
    code = zanSetLayerBits(band.mask.data() + first * band.maskStride, mask, 0, layerRow, width,
                           layerRow + rows, int32_t(band.maskStride), 0);
  if (code != ZAN_OK) _zanThrow(code);
}

void readAllRows(zanIOImage* image, const RowShape& s, const LayerInfo& info, zanHandle layer,
                 zanHandle mask, const ImportProgress& progress) {
  const int32_t width = info.right - info.left, height = info.bottom - info.top;
  Band band = bandFor(s, width, info.rowBytes);
  const bool bottomUp = info.rowOrder == PLUG_ROWS_BOTTOM_UP;
  for (int32_t done = 0; done < height;) {
    const int32_t rows = std::min(kImportBandRows, height - done);
    uint8_t* planes[4] = {};
    for (int32_t p = 0; p < s.planes; ++p)
      planes[p] = band.planes[size_t(p)].data() + (bottomUp ? (rows - 1) * band.planeStride : 0);
    const int32_t stride = int32_t(bottomUp ? -band.planeStride : band.planeStride);
    const int32_t got = zanIOReadRows(image, rows, planes, stride);
    if (got <= 0 || got > rows) _zanThrow(ZAN_ERR_ROWS);
    // Bottom-up rows fill the band from its end: they are the layer's rows just above those
    // already read.
    if (bottomUp)
      storeRows(s, band, width, rows - got, got, layer, mask, height - done - got);
    else
      storeRows(s, band, width, 0, got, layer, mask, done);
    done += got;
    if (progress.cancelled()) _zanThrow(ZAN_ERR_CANCELLED);
    progress.report(done, height);
  }
}

}  // namespace

bool rowShapeOf(const ImageInfo& image, RowShape& s) {
  s = RowShape{image.colorModel, image.bits, image.channels, 1, 0, 0, false};
  switch (image.colorModel) {
    case PLUG_COLOR_BGR:
      if (image.bits != 24 && image.bits != 32 && image.bits != 48) return false;
      s.inBytes = image.bits / 8;
      s.layerBpp = image.bits == 48 ? 48 : 24;
      s.alpha = image.bits == 32;
      return true;
    case PLUG_COLOR_INDEXED:
      if (image.bits != 8) return false;
      s.inBytes = 1;
      s.layerBpp = 8;
      return true;
    case PLUG_COLOR_GREY:
      if (image.bits == 16) {
        s.inBytes = 2;
        s.layerBpp = 16;
        return image.channels <= 1;
      }
      if (image.bits != 8 || image.channels > 2) return false;
      s.alpha = image.channels == 2;
      s.inBytes = s.alpha ? 2 : 1;
      s.layerBpp = 8;
      return true;
    case PLUG_COLOR_RGB_PLANES:
      if ((image.bits != 8 && image.bits != 16) || image.channels < 3 || image.channels > 4)
        return false;
      s.planes = image.channels;
      s.inBytes = image.bits / 8;
      s.layerBpp = image.bits * 3;
      s.alpha = image.channels == 4;
      return true;
    default:
      return false;
  }
}

int32_t layerDepthOf(const ImageInfo& image) {
  RowShape shape;
  return rowShapeOf(image, shape) ? shape.layerBpp : 0;
}

bool ImportProgress::cancelled() const {
  return options != nullptr && options->cancel != nullptr && options->cancel(options->user) != 0;
}

void ImportProgress::report(int64_t done, int64_t total) const {
  if (options == nullptr || options->progress == nullptr || total <= 0) return;
  options->progress(int32_t(start + done * (int64_t{end} - start) / total), options->user);
}

zanHandle buildLayerFromRows(zanIOImage* image, const ImageInfo& imageInfo,
                             const LayerInfo& layerInfo, const ImportProgress& progress,
                             zanHandle insertInto, int32_t index) {
  RowShape shape;
  const int64_t width = int64_t{layerInfo.right} - layerInfo.left;
  const int64_t height = int64_t{layerInfo.bottom} - layerInfo.top;
  if (!rowShapeOf(imageInfo, shape) || width <= 0 || height <= 0 || width > kMaxSide ||
      height > kMaxSide || layerInfo.rowBytes < 0)
    _zanThrow(ZAN_ERR_BUILD_LAYER);
  int32_t error = ZAN_OK;
  OwnedLayer layer{
      zanCreateLayer(layerInfo.left, layerInfo.top, layerInfo.right, layerInfo.bottom, &error)};
  OwnedLayer mask;
  if (layer.handle == 0) _zanThrow(ZAN_ERR_BUILD_LAYER);
  setValue(layer.handle, ZAN_LAYER_BPP, shape.layerBpp);
  if (layerInfo.kind == ZAN_LAYERKIND_TEXT)
    setValue(layer.handle, ZAN_LAYER_KIND, ZAN_LAYERKIND_TEXT);
  zanIOEnumLayerInfo(image, keepTaggedValue, &layer.handle);
  if (shape.colorModel == PLUG_COLOR_INDEXED) {
    const zanHandle palette = paletteOf(layerInfo, imageInfo);
    zanSetLayerProperty(layer.handle, ZAN_LAYER_PALETTE, &palette, sizeof palette, 0);
  }
  setValue(layer.handle, ZAN_LAYER_OPACITY, layerInfo.opacity);
  setValue(layer.handle, ZAN_LAYER_VISIBLE, layerInfo.visible);
  zanSetLayerProperty(layer.handle, ZAN_LAYER_NAME, layerInfo.name.record,
                      sizeof layerInfo.name.record, 0);
  if (shape.alpha) {
    mask.handle =
        zanCreateLayer(layerInfo.left, layerInfo.top, layerInfo.right, layerInfo.bottom, &error);
    if (mask.handle == 0) _zanThrow(ZAN_ERR_BUILD_LAYER);
    setValue(mask.handle, ZAN_LAYER_BPP, 8);
    if (zanLayerAttachMask(layer.handle, mask.handle) != ZAN_OK) _zanThrow(ZAN_ERR_BUILD_LAYER);
    mask.handle = 0;  // goes with the layer now
  }
  const zanHandle made = layer.handle;
  if (insertInto != 0) {
    if (zanInsertLayer(insertInto, made, index) < 0) _zanThrow(ZAN_ERR_BUILD_LAYER);
    layer.handle = 0;  // the picture's now, whatever happens to its rows
  }
  readAllRows(image, shape, layerInfo, made, zanLayerGetMask(made, nullptr), progress);
  layer.handle = 0;
  return made;
}

}  // namespace tessaly::engine
