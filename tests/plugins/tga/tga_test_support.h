// Helpers of the Targa plug-in tests: hand-made files, and write requests phrased in Targa's
// save options, on top of the shared plug-in driver (Reader, writeImage).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "plugin_driver.h"
#include "zanHeap.h"

namespace tessaly::test {

// The 18 header bytes of a hand-made file; the defaults make a 1 x 1 uncompressed 24-bit one.
struct Header {
  uint8_t idLength = 0;
  uint8_t mapType = 0;
  uint8_t type = 2;
  uint16_t firstEntry = 0;
  uint16_t mapLength = 0;
  uint8_t entryBits = 0;
  uint16_t width = 1;
  uint16_t height = 1;
  uint8_t depth = 24;
  uint8_t descriptor = 0;
  uint16_t yOrigin = 0;
};

Bytes headerBytes(const Header& h);

// A whole file: the header, then the given parts (ID, colour map, pixel data) as they are.
Bytes file(const Header& h, std::initializer_list<Bytes> parts = {});

// Every test checks that the plug-in handed back each heap block it took.
class TgaTest : public ::testing::Test {
 protected:
  void SetUp() override { blocksBefore_ = zanHeapBlockCount(0); }
  void TearDown() override {
    EXPECT_EQ(zanHeapBlockCount(0), blocksBefore_) << "a heap block was not freed";
  }

 private:
  int32_t blocksBefore_ = 0;
};

// What to write, and how.
struct WriteRequest {
  int32_t colorModel = PLUG_COLOR_BGR;
  int32_t bits = 24;
  int32_t width = 1;
  int32_t height = 1;
  std::vector<PlugPaletteEntry> palette = {};  // indexed sources only
  bool withOptions = true;
  int32_t fileBits = 24;  // SaveOptions.main
  int32_t runLength = 0;  // SaveOptions.second
};

// The CreateRequest for w, with options (not null) standing for w's save options.
CreateRequest createRequest(const WriteRequest& w, SaveOptions* options);

// Writes rows (packed, source row bytes each, bottom row first) through the table in batches of
// batch rows, into a stream that takes at most limit bytes.
Written write(const WriteRequest& request, const Bytes& rows, int32_t batch = 8,
              size_t limit = SIZE_MAX);

}  // namespace tessaly::test
