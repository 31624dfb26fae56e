// Halving by every way the processor offers against a plain reference: row lengths around each
// way's step, both pixel sizes, starts off any alignment, the extreme byte values; then whole
// resizes by a half through each way, over odd result sizes, partial tiles, in place and copied.
#include "halving_kernel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tools_fixture.h"

using namespace tessaly::tools;
using namespace tessaly::tools::test;

namespace {

constexpr HalvingPath kPaths[] = {HalvingPath::Portable, HalvingPath::Ssse3, HalvingPath::Avx2};

const char* nameOf(HalvingPath path) {
  switch (path) {
    case HalvingPath::Portable:
      return "portable";
    case HalvingPath::Ssse3:
      return "ssse3";
    case HalvingPath::Avx2:
      return "avx2";
  }
  return "?";
}

std::vector<unsigned char> noise(size_t count, uint32_t seed) {
  std::vector<unsigned char> bytes(count);
  for (auto& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<unsigned char>(seed >> 24);
  }
  return bytes;
}

// The rounded mean of each 2 x 2 cell, written out directly.
std::vector<unsigned char> reference(const unsigned char* a, const unsigned char* b, int32_t pixels,
                                     int32_t channels) {
  std::vector<unsigned char> out(static_cast<size_t>(pixels) * channels);
  for (int32_t x = 0; x < pixels; ++x)
    for (int32_t c = 0; c < channels; ++c) {
      const int32_t left = 2 * x * channels + c, right = left + channels;
      out[x * channels + c] =
          static_cast<unsigned char>((a[left] + a[right] + b[left] + b[right] + 2) / 4);
    }
  return out;
}

// Every length up to a few steps of the widest way and some longer ones.
std::vector<int32_t> lengths() {
  std::vector<int32_t> all;
  for (int32_t n = 0; n <= 70; ++n) all.push_back(n);
  for (const int32_t n : {95, 96, 97, 127, 128, 129, 1000, 2001}) all.push_back(n);
  return all;
}

TEST(HalvingKernel, EveryWayGivesTheReferenceBytesAndWritesNoFurther) {
  for (const HalvingPath path : kPaths) {
    for (const int32_t channels : {1, 3}) {
      for (const int32_t pixels : lengths()) {
        for (const int32_t shift : {0, 1, 7}) {
          SCOPED_TRACE(testing::Message() << nameOf(path) << " channels " << channels << " pixels "
                                          << pixels << " shift " << shift);
          // Each row its own allocation of exactly the bytes it holds, past a shifted start.
          const size_t rowBytes = size_t(2) * pixels * channels;
          const std::vector<unsigned char> a = noise(rowBytes + shift, pixels * 7u + 1);
          const std::vector<unsigned char> b = noise(rowBytes + shift, pixels * 7u + 2);
          const size_t outBytes = size_t(pixels) * channels;
          std::vector<unsigned char> out(outBytes + shift + 8, 0xEE);
          if (!halveRowsBy(path, out.data() + shift, a.data() + shift, b.data() + shift, pixels,
                           channels)) {
            GTEST_SKIP() << nameOf(path) << " is not available on this processor";
          }
          const std::vector<unsigned char> want =
              reference(a.data() + shift, b.data() + shift, pixels, channels);
          ASSERT_EQ(std::vector<unsigned char>(out.begin() + shift, out.begin() + shift + outBytes),
                    want);
          for (size_t i = 0; i < out.size(); ++i) {
            const bool outside = i < size_t(shift) || i >= shift + outBytes;
            ASSERT_TRUE(!outside || out[i] == 0xEE) << "byte " << i << " was written";
          }
        }
      }
    }
  }
}

// Sums of four 255s must neither overflow the 16-bit lanes nor saturate wrongly; sums of 1 and 2
// sit on either side of the rounding.
TEST(HalvingKernel, ExtremeValuesRoundAsTheReference) {
  const int32_t pixels = 64;
  for (const HalvingPath path : kPaths) {
    for (const int32_t channels : {1, 3}) {
      for (const auto& [top, bottom] : {std::pair{255, 255}, std::pair{0, 1}, std::pair{1, 1},
                                        std::pair{0, 255}, std::pair{3, 2}}) {
        const std::vector<unsigned char> a(size_t(2) * pixels * channels, top);
        const std::vector<unsigned char> b(a.size(), bottom);
        std::vector<unsigned char> out(size_t(pixels) * channels);
        if (!halveRowsBy(path, out.data(), a.data(), b.data(), pixels, channels)) continue;
        EXPECT_EQ(out, reference(a.data(), b.data(), pixels, channels))
            << nameOf(path) << " " << top << "/" << bottom;
      }
    }
  }
}

class HalvingResizeTest : public ToolsTest {
 protected:
  void TearDown() override {
    resetHalvingPath();
    ToolsTest::TearDown();
  }
};

// A layer at (3, 5) halved over crops whose results have odd sizes, with tiles that do and do
// not divide them, read in place (even origin, even tiles) and through a copy (odd origin or odd
// tiles): every way gives the reference means.
TEST_F(HalvingResizeTest, WholeResizesMatchTheReferenceThroughEveryWay) {
  for (const int32_t channels : {1, 3}) {
    const Pixels source = patternPixels(134, 71, channels);
    for (const int32_t tile : {16, 17, 64}) {
      const zanHandle layer = makeLayer(source, 8 * channels, 3, 5, tile);
      for (const RECT& crop :
           {RECT{3, 5, 137, 75}, RECT{4, 6, 134, 72}, RECT{3, 6, 101, 36}, RECT{4, 5, 6, 7}}) {
        for (const HalvingPath path : kPaths) {
          if (!chooseHalvingPath(path)) continue;
          SCOPED_TRACE(testing::Message() << nameOf(path) << " channels " << channels << " tile "
                                          << tile << " crop " << crop.left << "," << crop.top);
          const CropResizeParams params{crop, ResizeRatio{1, 2, 1, 2, 1}};
          Result halved(matCropResizeLayer(layer, &params, nullptr, nullptr));
          ASSERT_NE(halved.layer, 0u);
          const Pixels h = readLayer(halved.layer);
          ASSERT_EQ(h.width, (crop.right - crop.left) / 2);
          ASSERT_EQ(h.height, (crop.bottom - crop.top) / 2);
          for (int32_t y = 0; y < h.height; ++y) {
            const int32_t sx = crop.left - 3, sy = crop.top - 5 + 2 * y;
            const std::vector<unsigned char> want =
                reference(source.at(sx, sy), source.at(sx, sy + 1), h.width, channels);
            ASSERT_EQ(std::memcmp(h.at(0, y), want.data(), want.size()), 0) << "row " << y;
          }
        }
      }
      zanDestroyLayer(layer);
    }
  }
}

TEST(HalvingKernel, ChoosingAWayTheProcessorLacksChangesNothing) {
  const HalvingPath before = halvingPath();
  for (const HalvingPath path : kPaths) {
    if (chooseHalvingPath(path)) {
      EXPECT_EQ(halvingPath(), path);
    } else {
      EXPECT_EQ(halvingPath(), before) << nameOf(path);
    }
    resetHalvingPath();
  }
  EXPECT_EQ(halvingPath(), before);
  EXPECT_TRUE(chooseHalvingPath(HalvingPath::Portable)) << "the portable way is always there";
  resetHalvingPath();
}

}  // namespace
