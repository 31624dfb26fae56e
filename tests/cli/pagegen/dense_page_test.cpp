// The dense text page: ink all over, in two columns with a clear gutter,
// no picture, inside its margins, the same for the same seed; and chosen by --dense.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "dense_layout.h"
#include "page_options.h"

namespace tessaly::cli {
namespace {

const char* const kFonts = "/usr/share/fonts/truetype/dejavu";

bool isInk(const uint8_t* p) {
  return p[0] < 128 && p[1] < 128 && p[2] < 128;
}

double inkShare(const BgrImage& page, int32_t x0, int32_t x1) {
  int64_t ink = 0;
  for (int32_t y = 0; y < page.height; ++y)
    for (int32_t x = x0; x < x1; ++x) ink += isInk(page.pixel(x, y));
  return double(ink) / (double(x1 - x0) * page.height);
}

TEST(DensePage, TwoColumnsOfDenseInkAndNoPicture) {
  const BgrImage page = renderDensePage({1240, 1754, 150, 1, kFonts});
  ASSERT_EQ(page.width, 1240);
  EXPECT_GT(inkShare(page, 0, page.width), 0.045);  // text, rules and frames all over
  EXPECT_LT(inkShare(page, 0, page.width), 0.2);
  const int32_t margin = 1240 * 13 / 210;  // the type area begins at 15 mm
  EXPECT_EQ(inkShare(page, 0, margin), 0);
  EXPECT_EQ(inkShare(page, page.width - margin, page.width), 0);
  // Below the title, a gutter without ink splits the type area in the middle.
  int32_t emptyColumns = 0;
  for (int32_t x = 560; x < 680; ++x) {
    bool any = false;
    for (int32_t y = 250; y < 1600 && !any; ++y) any = isInk(page.pixel(x, y));
    emptyColumns += !any;
  }
  EXPECT_GE(emptyColumns, 15);
  int64_t colour = 0;
  for (int32_t y = 0; y < page.height; ++y)
    for (int32_t x = 0; x < page.width; ++x) {
      const uint8_t* p = page.pixel(x, y);
      colour += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 60;
    }
  EXPECT_LT(colour, page.width * page.height / 200);
}

TEST(DensePage, SeedNamesThePageAndTheOptionChoosesIt) {
  const BgrImage a = renderDensePage({600, 850, 72, 3, kFonts});
  EXPECT_EQ(a.bytes, renderDensePage({600, 850, 72, 3, kFonts}).bytes);
  EXPECT_NE(a.bytes, renderDensePage({600, 850, 72, 4, kFonts}).bytes);
  EXPECT_NE(a.bytes, renderPage({600, 850, 72, 3, kFonts}).bytes);
  EXPECT_EQ(renderDensePage({120, 160, 72, 1, kFonts}).width, 120);  // too small: plain paper
  const char* dense[] = {"tessaly-pagegen", "--dense", "p.png"};
  EXPECT_TRUE(parsePageOptions(3, dense).dense);
  const char* plain[] = {"tessaly-pagegen", "p.png"};
  EXPECT_FALSE(parsePageOptions(2, plain).dense);
}

}  // namespace
}  // namespace tessaly::cli
