#include "plugin_kit.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace tessaly::plugin {

bool HeapBuffer::allocate(uint64_t bytes) {
  reset();
  if (bytes > UINT32_MAX) return false;
  const zanHandle block = zanHeapAlloc(0, uint32_t(bytes), ZAN_HEAP_ZEROINIT);
  auto* memory = static_cast<uint8_t*>(zanHeapLock(0, block, 0));
  if (memory == nullptr) {
    zanHeapFree(0, block);
    return false;
  }
  handle_ = block;
  data_ = memory;
  size_ = std::size_t(bytes);
  return true;
}

void HeapBuffer::require(uint64_t bytes) {
  if (!allocate(bytes)) _zanThrow(PLUG_ERR_NO_MEMORY);
}

void HeapBuffer::reset() {
  if (handle_ != 0) {
    zanHeapUnlock(0, handle_, 1);
    zanHeapFree(0, handle_);
  }
  handle_ = 0;
  data_ = nullptr;
  size_ = 0;
}

bool readExact(PlugStream* s, void* buffer, std::size_t count) {
  auto* at = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    const int32_t step = int32_t(std::min<std::size_t>(count, INT32_MAX));
    if (s->read(s, at, step) != step) return false;
    at += step;
    count -= std::size_t(step);
  }
  return true;
}

bool writeExact(PlugStream* s, const void* buffer, std::size_t count) {
  auto* at = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    const int32_t step = int32_t(std::min<std::size_t>(count, INT32_MAX));
    if (s->write(s, at, step) != step) return false;
    at += step;
    count -= std::size_t(step);
  }
  return true;
}

bool skip(PlugStream* s, int64_t count) {
  if (count == 0) return true;
  const int64_t from = tell(s);
  return from >= 0 && s->seek(s, count, PLUG_SEEK_CUR) == from + count;
}

int32_t peek(PlugStream* s, uint8_t* bytes, int32_t count) {
  const int64_t start = tell(s);
  if (start < 0) return 0;
  const int32_t got = s->read(s, bytes, count);
  s->seek(s, start, PLUG_SEEK_SET);
  return got < 0 ? 0 : got;
}

int32_t dpiFromPixelsPerMetre(uint32_t ppm) {
  return int32_t((uint64_t{ppm} * 100 + 1969) / 3937);
}

uint32_t pixelsPerMetreFromDpi(int32_t dpi) {
  if (dpi <= 0) return 0;
  return uint32_t(std::min<uint64_t>((uint64_t(dpi) * 3937 + 50) / 100, UINT32_MAX));
}

void enumHeadInfo(PlugInstance* p, PlugInfoCallback callback, void* user) {
  const InstanceHead& head = *reinterpret_cast<InstanceHead*>(p);
  const Resolution& r = head.resolution;
  if (callback == nullptr) return;
  if (r.x > 0) callback(PLUG_TAG_XRESOLUTION, sizeof r.x, &r.x, user);
  if (r.y > 0) callback(PLUG_TAG_YRESOLUTION, sizeof r.y, &r.y, user);
  if (head.warning != nullptr) {
    callback(PLUG_TAG_WARNING, int32_t(std::strlen(head.warning) + 1), head.warning, user);
  }
}

int32_t addResolution(PlugInstance* p, int32_t tag, const void* value, int32_t size) {
  Resolution& r = reinterpret_cast<InstanceHead*>(p)->resolution;
  if (value == nullptr || size != int32_t(sizeof(int32_t))) return 0;
  int32_t dpi;
  std::memcpy(&dpi, value, sizeof dpi);
  if (tag == PLUG_TAG_XRESOLUTION) {
    r.x = std::max(dpi, 0);
    return 1;
  }
  if (tag == PLUG_TAG_YRESOLUTION) {
    r.y = std::max(dpi, 0);
    return 1;
  }
  return 0;
}

void copyImageInfo(const Delivery& d, ImageInfo* caller) {
  ImageInfo own{};
  own.size = sizeof own;
  own.layerCount = d.layerCount;
  own.rowOrder = d.rowOrder;
  own.colorModel = d.colorModel;
  own.bits = d.bits;
  own.channels = d.channels;
  own.hasPalette = d.paletteCount > 0 ? 1 : 0;
  own.paletteCount = d.paletteCount;
  std::memcpy(own.palette, d.palette, sizeof own.palette);
  own.width = d.width;
  own.height = d.height;
  plugCopyOut(caller, &own, sizeof own);
}

void copyLayerInfo(const Delivery& d, LayerInfo* caller) {
  LayerInfo own{};
  own.size = sizeof own;
  own.kind = 1;
  own.planes = 1;
  own.hasAlpha = d.hasAlpha;
  own.hasPalette = d.paletteCount > 0 ? 1 : 0;
  own.paletteCount = d.paletteCount;
  std::memcpy(own.palette, d.palette, sizeof own.palette);
  own.right = d.width;
  own.bottom = d.height;
  own.rowBytes = d.rowBytes;
  own.rowOrder = d.rowOrder;
  own.visible = 1;
  own.opacity = 255;
  plugCopyOut(caller, &own, sizeof own);
}

void greyPalette(PlugPaletteEntry* palette, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const auto v = uint8_t(count > 1 ? i * 255 / (count - 1) : 0);
    palette[i] = {v, v, v, 0};
  }
}

bool sizeAllowed(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxDimension && height <= kMaxDimension;
}

bool acceptable(const CreateRequest* request, const SaveListEntry* list, int32_t count) {
  return request != nullptr && sizeAllowed(request->width, request->height) &&
         inSaveList(list, count, request->colorModel, request->bits);
}

int32_t takePalette(const CreateRequest& request, PlugPaletteEntry* palette) {
  if (request.colorModel == PLUG_COLOR_INDEXED && request.hasPalette && request.paletteCount > 0) {
    std::memcpy(palette, request.palette, sizeof request.palette);
    return std::min(request.paletteCount, 256);
  }
  greyPalette(palette, 256);
  return 256;
}

void copyRowLayout(RowLayout* caller, int32_t rowOrder, int32_t rowBytes) {
  RowLayout own{};
  own.size = sizeof own;
  own.wantsComposite = 1;
  own.rowOrder = rowOrder;
  own.layerOrder = PLUG_LAYERS_TOP_FIRST;
  own.rowBytes = rowBytes;
  plugCopyOut(caller, &own, sizeof own);
}

int32_t copySaveList(const SaveListEntry* own, int32_t have, int32_t wanted, SaveListEntry* out) {
  if (out != nullptr)
    for (int32_t i = 0; i < wanted && i < have; ++i) out[i] = own[i];
  return have;
}

bool inSaveList(const SaveListEntry* own, int32_t have, int32_t colorModel, int32_t bits) {
  for (int32_t i = 0; i < have; ++i)
    if (own[i].colorModel == colorModel && own[i].bits == bits) return true;
  return false;
}

void unpackSamples(const uint8_t* packed, uint8_t* out, int32_t count, int bits, bool scale) {
  const int perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  const unsigned factor = scale ? 255 / mask : 1;
  for (int32_t i = 0; i < count; ++i) {
    const int shift = 8 - bits * (i % perByte + 1);
    out[i] = uint8_t(((packed[i / perByte] >> shift) & mask) * factor);
  }
}

void swapRedBlue(const uint8_t* in, uint8_t* out, int32_t pixels) {
  for (int32_t i = 0; i < pixels; ++i, in += 3, out += 3) {
    const uint8_t first = in[0], middle = in[1], last = in[2];
    out[0] = last;
    out[1] = middle;
    out[2] = first;
  }
}

void swapRedBlue16(const uint8_t* in, uint8_t* out, int32_t pixels) {
  for (int32_t i = 0; i < pixels; ++i, in += 6, out += 6) {
    uint8_t pixel[6];
    std::memcpy(pixel, in, 6);
    std::memcpy(out, pixel + 4, 2);
    std::memcpy(out + 2, pixel + 2, 2);
    std::memcpy(out + 4, pixel, 2);
  }
}

void enumNothing(PlugInstance*, PlugInfoCallback, void*) {}

int32_t acceptNothing(PlugInstance*, int32_t, const void*, int32_t) {
  return 0;
}

}  // namespace tessaly::plugin
