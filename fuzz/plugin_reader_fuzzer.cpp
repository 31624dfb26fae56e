// libFuzzer harness for a plug-in's reader: each input is a file handed to GetPlugStruct as a
// stream in memory. When the plug-in takes it, the harness goes through the reading order the
// loader uses, asking for rows in bands of 32 into buffers large enough for any layout the
// interface allows. Any crash, leak, hang or sanitizer report is a finding; refusals are not.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "memory_stream.h"
#include "plugin_interface.h"

namespace {

// Larger images are only opened: reading their rows would measure the fuzzer's patience, not
// the plug-in.
constexpr int64_t kMaxPixelsToRead = int64_t{1} << 22;
constexpr int32_t kBand = 32;
constexpr int kMaxPlanes = 4;

void ignoreValue(int32_t, int32_t, const void*, void*) {}

// Bytes per row of one plane that can hold whatever the plug-in may deliver: its own row bytes,
// or up to 4 channels of 16 bits per pixel.
int64_t planeStride(const LayerInfo& layer, int32_t width) {
  return std::max<int64_t>(layer.rowBytes, int64_t{width} * 8) + 32;
}

void readAllRows(PlugInstance* instance, const ImageInfo& image, const LayerInfo& layer) {
  const int32_t width = image.width, height = image.height;
  if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxPixelsToRead) return;
  const int64_t stride = planeStride(layer, width);
  if (stride > INT32_MAX / kBand) return;
  std::vector<std::vector<uint8_t>> buffers(kMaxPlanes,
                                            std::vector<uint8_t>(size_t(stride) * kBand));
  uint8_t* planes[kMaxPlanes];
  for (int p = 0; p < kMaxPlanes; ++p) planes[p] = buffers[p].data();
  for (int32_t row = 0; row < height; row += kBand) {
    const int32_t rows = std::min(kBand, height - row);
    if (instance->table.ReadRows(instance, rows, planes, int32_t(stride)) == 0) return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaly::plugin::MemoryStream input(std::vector<uint8_t>(data, data + size));
  PlugInstance* instance = GetPlugStruct(input.stream(), 0, PLUG_FORMAT_ANY);
  if (instance == nullptr) return 0;
  const PlugFunctionTable& t = instance->table;
  ImageInfo image{};
  image.size = sizeof image;
  if (t.OpenImage(instance, &image)) {
    if (t.EnumImageInfo) t.EnumImageInfo(instance, ignoreValue, nullptr);
    LayerInfo layer{};
    layer.size = sizeof layer;
    if (t.StartReadImage && t.StartReadImage(instance, &layer)) readAllRows(instance, image, layer);
  }
  t.GetError(instance);
  t.CloseImage(instance);
  return 0;
}
