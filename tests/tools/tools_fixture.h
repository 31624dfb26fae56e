// What the tool tests share: a fixture that checks no heap block outlives a test, layers made
// from and read into plain pixel arrays, and progress callbacks that record or cancel.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "tools.h"
#include "zanengin.h"

namespace tessaly::tools::test {

class ToolsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  int32_t blocks_ = 0;
};

// Pixels of a layer, packed: rows of width x bytes per pixel.
struct Pixels {
  int32_t width = 0;
  int32_t height = 0;
  int32_t pixelBytes = 3;
  std::vector<unsigned char> bytes;

  unsigned char* at(int32_t x, int32_t y) {
    return bytes.data() + (int64_t{y} * width + x) * pixelBytes;
  }
  const unsigned char* at(int32_t x, int32_t y) const {
    return bytes.data() + (int64_t{y} * width + x) * pixelBytes;
  }
};

// Pixels whose every byte is byteAt(x, y, byte index).
Pixels makePixels(int32_t width, int32_t height, int32_t pixelBytes,
                  const std::function<int(int32_t, int32_t, int32_t)>& byteAt);
// Distinct-looking bytes: a mix of position and channel.
Pixels patternPixels(int32_t width, int32_t height, int32_t pixelBytes);

// A layer at (left, top) holding the pixels, with the given bits per pixel and tile size.
zanHandle makeLayer(const Pixels& pixels, int32_t bitsPerPixel, int32_t left = 0, int32_t top = 0,
                    int32_t tile = 16);
Pixels readLayer(zanHandle layer);
RECT layerRect(zanHandle layer);
int32_t layerValue(zanHandle layer, int32_t id);

// Records every reported value; cancels once cancelAfter values were reported (-1: never).
struct ProgressLog {
  std::vector<int32_t> values;
  int32_t cancelAfter = -1;
  ToolProgress record(int32_t start = 100, int32_t end = 1100);
};

// Holds a result layer and destroys it.
struct Result {
  zanHandle layer;
  explicit Result(zanHandle l) : layer(l) {}
  ~Result() {
    if (layer != 0) zanDestroyLayer(layer);
  }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
};

}  // namespace tessaly::tools::test
