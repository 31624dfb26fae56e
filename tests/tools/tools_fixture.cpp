#include "tools_fixture.h"

#include "zanHeap.h"

namespace tessaly::tools::test {

void ToolsTest::SetUp() {
  blocks_ = zanHeapBlockCount(0);
}

void ToolsTest::TearDown() {
  EXPECT_EQ(zanHeapBlockCount(0), blocks_) << "heap blocks left behind";
}

Pixels makePixels(int32_t width, int32_t height, int32_t pixelBytes,
                  const std::function<int(int32_t, int32_t, int32_t)>& byteAt) {
  Pixels p{width, height, pixelBytes, {}};
  p.bytes.resize(static_cast<size_t>(width) * height * pixelBytes);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      for (int32_t b = 0; b < pixelBytes; ++b) {
        p.at(x, y)[b] = static_cast<unsigned char>(byteAt(x, y, b));
      }
    }
  }
  return p;
}

Pixels patternPixels(int32_t width, int32_t height, int32_t pixelBytes) {
  return makePixels(width, height, pixelBytes, [](int32_t x, int32_t y, int32_t b) {
    return (x * 7 + y * 13 + b * 71) & 255;
  });
}

int32_t layerValue(zanHandle layer, int32_t id) {
  int32_t value = 0;
  zanGetLayerProperty(layer, id, &value, sizeof value, nullptr);
  return value;
}

RECT layerRect(zanHandle layer) {
  RECT r{};
  zanGetLayerProperty(layer, ZAN_LAYER_RECT, &r, sizeof r, nullptr);
  return r;
}

zanHandle makeLayer(const Pixels& pixels, int32_t bitsPerPixel, int32_t left, int32_t top,
                    int32_t tile) {
  int32_t error = 0;
  const zanHandle layer =
      zanCreateLayer(left, top, left + pixels.width, top + pixels.height, &error);
  EXPECT_NE(layer, 0u);
  zanSetLayerProperty(layer, ZAN_LAYER_BPP, &bitsPerPixel, 4, 0);
  zanSetLayerProperty(layer, ZAN_LAYER_TILEW, &tile, 4, 0);
  zanSetLayerProperty(layer, ZAN_LAYER_TILEH, &tile, 4, 0);
  EXPECT_EQ(zanSetLayerBits(pixels.bytes.data(), layer, 0, 0, pixels.width, pixels.height,
                            pixels.width * pixels.pixelBytes, ZAN_NO_FILL),
            0);
  return layer;
}

Pixels readLayer(zanHandle layer) {
  const RECT r = layerRect(layer);
  const int32_t bits = layerValue(layer, ZAN_LAYER_BPP);
  Pixels p{r.right - r.left, r.bottom - r.top, bits < 9 ? 1 : bits / 8, {}};
  p.bytes.assign(static_cast<size_t>(p.width) * p.height * p.pixelBytes, 0);
  zanGetLayerBits(p.bytes.data(), layer, 0, 0, p.width, p.height, p.width * p.pixelBytes);
  return p;
}

ToolProgress ProgressLog::record(int32_t start, int32_t end) {
  ToolProgress progress{start, end, this, nullptr, nullptr};
  progress.progress = [](int32_t value, void* user) {
    static_cast<ProgressLog*>(user)->values.push_back(value);
  };
  progress.cancel = [](void* user) -> int32_t {
    const auto* log = static_cast<ProgressLog*>(user);
    return log->cancelAfter >= 0 && static_cast<int32_t>(log->values.size()) >= log->cancelAfter;
  };
  return progress;
}

}  // namespace tessaly::tools::test
