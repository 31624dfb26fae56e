// The wide table lookups against the portable loops: every byte value, lengths around the
// 64-byte vector and the 64-pixel group, and starts off any alignment.
#include "byte_tables.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tessaly::tools;

namespace {

ToneTable tableFrom(int multiplier, int offset) {
  ToneTable t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<uint8_t>((i * multiplier + offset) & 255);
  return t;
}

std::vector<unsigned char> everyValue(size_t count) {
  std::vector<unsigned char> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i * 97 + i / 256);
  return bytes;
}

TEST(ByteTables, WideLookupsEqualThePortableLoops) {
  const ToneTable blue = tableFrom(7, 3), green = tableFrom(255, 0), red = tableFrom(13, 200);
  const std::vector<unsigned char> source = everyValue(3 * 300 + 5);
  for (const int64_t count : {0, 1, 63, 64, 65, 127, 128, 129, 191, 192, 193, 256, 899}) {
    for (const int64_t start : {0, 1, 5}) {
      SCOPED_TRACE(testing::Message() << count << " from " << start);
      std::vector<unsigned char> wide(source.size(), 0xEE), portable(source.size(), 0xEE);
      if (!mapBytesWide(wide.data() + start, source.data() + start, count, red))
        GTEST_SKIP() << "no 512-bit byte permutes here";
      mapBytesPortable(portable.data() + start, source.data() + start, count, red);
      ASSERT_EQ(wide, portable);
      const int64_t pixels = count / 3;
      std::fill(wide.begin(), wide.end(), 0xEE);
      std::fill(portable.begin(), portable.end(), 0xEE);
      mapPixelsWide(wide.data() + start, source.data() + start, pixels, blue, green, red);
      mapPixelsPortable(portable.data() + start, source.data() + start, pixels, blue, green, red);
      ASSERT_EQ(wide, portable);
    }
  }
}

TEST(ByteTables, PortablePixelsTakeEachChannelThroughItsTable) {
  const ToneTable blue = tableFrom(1, 1), green = tableFrom(1, 2), red = tableFrom(1, 3);
  const unsigned char in[6] = {10, 20, 30, 255, 254, 253};
  unsigned char out[6] = {};
  mapPixelsThrough(out, in, 2, blue, green, red);
  EXPECT_EQ(std::vector<int>(out, out + 6), (std::vector<int>{11, 22, 33, 0, 0, 0}));
}

}  // namespace
