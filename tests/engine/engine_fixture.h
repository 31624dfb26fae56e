// What the engine tests share: a fixture that checks no heap block outlives a test, and helpers
// to make and read layers and pictures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "zanHeap.h"
#include "zanengin.h"

namespace tessaly::engine::test {

// The run heap every test uses: a private heap whose blocks move at each last unlock, made once
// for the whole test program.
zanHeap testRunHeap();

// Counts the blocks of the default heap and the run heap around each test: whatever a test makes
// it must be able to destroy without leaving a block behind.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  int32_t defaultBlocks_ = 0;
  int32_t runBlocks_ = 0;
};

zanHandle newLayer(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t bpp = 24);
zanHandle newPicture();

int32_t layerValue(zanHandle layer, int32_t id);
void setLayerValue(zanHandle layer, int32_t id, int32_t value);
int32_t pictureValue(zanHandle picture, int32_t id);
void setPictureValue(zanHandle picture, int32_t id, int32_t value);

// Inserts the layer into the picture (internal layer-list operation) and answers its index.
int32_t insert(zanHandle picture, zanHandle layer, int32_t index = 0);

// An image of width x height pixels whose every byte differs from its neighbours, rows stride
// bytes apart (stride 0: packed).
struct Image {
  int32_t width;
  int32_t height;
  int32_t pixelBytes;
  int32_t stride;
  std::vector<unsigned char> bytes;
  unsigned char* row(int32_t y) { return bytes.data() + static_cast<size_t>(y) * stride; }
  const unsigned char* row(int32_t y) const {
    return bytes.data() + static_cast<size_t>(y) * stride;
  }
};
Image patternImage(int32_t width, int32_t height, int32_t bpp, uint32_t seed = 1);
Image blankImage(int32_t width, int32_t height, int32_t bpp, unsigned char byte = 0);
// Reads rect of the layer into a blank image of its size, pre-filled with byte.
Image readLayer(zanHandle layer, const RECT& rect, int32_t bpp, unsigned char byte = 0);

// Records every change a picture hands on to its views: it is attached to the picture's view
// list the way a view would be. Destroy it with tessaly::engine::destroyObject.
struct Change {
  int32_t code;
  RECT rect;
};
bool operator==(const Change& a, const Change& b);
std::ostream& operator<<(std::ostream& out, const Change& c);
zanHandle attachProbe(zanHandle picture);
std::vector<Change> probeChanges(zanHandle probe);  // and forgets them

}  // namespace tessaly::engine::test
