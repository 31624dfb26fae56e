// The engine's memory for large working buffers, and OpenCV's matrices in it while an export runs.
#include "large_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "mat_memory.h"

namespace {

using tessaly::stitch::allocateLarge;
using tessaly::stitch::kHugePageBytes;
using tessaly::stitch::kWholeHugePagesFrom;
using tessaly::stitch::MatMemoryScope;

bool onHugePageBoundary(const void* p) {
  return reinterpret_cast<uintptr_t>(p) % kHugePageBytes == 0;
}

// Writes the block's first and last byte (the sanitizers see any block shorter than asked).
void touchEnds(void* block, size_t bytes) {
  ASSERT_NE(block, nullptr);
  static_cast<unsigned char*>(block)[0] = 1;
  static_cast<unsigned char*>(block)[bytes - 1] = 2;
}

TEST(LargeMemoryTest, BlocksFromTheirThresholdsUpStartOnAHugePage) {
  using tessaly::stitch::allocateInHugePages;
  struct Case {
    void* (*allocate)(size_t);
    size_t threshold;
  };
  for (const Case& c :
       {Case{allocateLarge, kHugePageBytes}, Case{allocateInHugePages, kWholeHugePagesFrom}}) {
    for (size_t bytes :
         {size_t{1}, c.threshold - 1, c.threshold, c.threshold + 1, kHugePageBytes * 3 + 5}) {
      void* block = c.allocate(bytes);
      touchEnds(block, bytes);
      if (bytes >= c.threshold) {
        EXPECT_TRUE(onHugePageBoundary(block)) << bytes;
      }
      std::free(block);
    }
  }
  EXPECT_EQ(allocateInHugePages(static_cast<size_t>(-1) - 5), nullptr);  // cannot be rounded up
}

// A float image of just over 2 MiB with odd dimensions, and its blur, made in the current scope.
cv::Mat1f blurred(const cv::Mat1f& source) {
  cv::Mat1f out;
  cv::GaussianBlur(source, out, cv::Size(), 1.5, 0, cv::BORDER_REFLECT);
  return out;
}

cv::Mat1f rampImage() {
  cv::Mat1f image(725, 731);  // 2,119,900 bytes: one step past a huge page
  for (int r = 0; r < image.rows; ++r)
    for (int c = 0; c < image.cols; ++c) image(r, c) = static_cast<float>((r * 7 + c * 13) % 251);
  return image;
}

TEST(MatMemoryTest, ScopesInstallTheEngineAllocatorAndTheLastOnePutsThePreviousBack) {
  cv::MatAllocator* const before = cv::Mat::getDefaultAllocator();
  cv::Mat1f outlives;
  {
    const MatMemoryScope outer;
    cv::MatAllocator* const engine = cv::Mat::getDefaultAllocator();
    EXPECT_NE(engine, before);
    {
      const MatMemoryScope inner;
      EXPECT_EQ(cv::Mat::getDefaultAllocator(), engine);
    }
    EXPECT_EQ(cv::Mat::getDefaultAllocator(), engine);  // the outer scope is still alive
    outlives = cv::Mat1f(1024, 1024, 0.5F);
    EXPECT_EQ(outlives.u->currAllocator, engine);
  }
  EXPECT_EQ(cv::Mat::getDefaultAllocator(), before);
  EXPECT_EQ(outlives(1023, 1023), 0.5F);
  outlives.release();  // given back to the engine's allocator after its scope ended
}

TEST(MatMemoryTest, LargeMatricesStartOnAHugePageAndComputeTheSameBits) {
  const cv::Mat1f source = rampImage();
  const cv::Mat1f plain = blurred(source);
  cv::Mat1f inScope;
  cv::Mat1b small;
  {
    const MatMemoryScope scope;
    inScope = blurred(source);
    cv::Mat1f(source(cv::Rect(3, 5, 101, 77))).convertTo(small, CV_8U);  // below a huge page
    EXPECT_EQ(small.total(), 101u * 77u);
  }
  EXPECT_TRUE(onHugePageBoundary(inScope.data));
  EXPECT_EQ(cv::norm(plain, inScope, cv::NORM_INF), 0.0);
  EXPECT_EQ(small(76, 100), static_cast<uint8_t>(source(81, 103)));
}

}  // namespace
