// The generated page: its size, its text set with the real fonts inside the type area, its
// colour picture, lines that never run past their column, and the same page for the same seed.
#include <gtest/gtest.h>

#include <stdexcept>

#include "font.h"
#include "page_blocks.h"
#include "page_layout.h"

namespace tessaly::cli {
namespace {

const char* const kFonts = "/usr/share/fonts/truetype/dejavu";

bool isInk(const uint8_t* p) {
  return p[0] < 128 && p[1] < 128 && p[2] < 128;
}
bool isColour(const uint8_t* p) {
  return std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 40;
}

TEST(PageRender, A4PageHasTextTablesAndAPictureInsideItsMargins) {
  const BgrImage page = renderPage({1240, 1754, 150, 1, kFonts});
  ASSERT_EQ(page.width, 1240);
  ASSERT_EQ(page.height, 1754);
  int64_t ink = 0, colour = 0, inkInMargin = 0;
  const int32_t margin = 1240 * 15 / 210;  // 15 mm: the type area begins at 18 mm
  for (int32_t y = 0; y < page.height; ++y)
    for (int32_t x = 0; x < page.width; ++x) {
      const uint8_t* p = page.pixel(x, y);
      ink += isInk(p);
      colour += isColour(p);
      if (isInk(p) && (x < margin || x >= page.width - margin)) ++inkInMargin;
    }
  const double area = double(page.width) * page.height;
  EXPECT_GT(ink / area, 0.02);     // text and rules, not a blank sheet
  EXPECT_LT(ink / area, 0.25);     // and not a dark one
  EXPECT_GT(colour / area, 0.05);  // the landscape
  EXPECT_EQ(inkInMargin, 0);
}

TEST(PageRender, SeedNamesThePage) {
  const BgrImage a = renderPage({600, 850, 72, 3, kFonts});
  const BgrImage b = renderPage({600, 850, 72, 3, kFonts});
  const BgrImage c = renderPage({600, 850, 72, 4, kFonts});
  EXPECT_EQ(a.bytes, b.bytes);
  EXPECT_NE(a.bytes, c.bytes);
}

TEST(PageRender, WidePagesFlowIntoSeveralColumnsAndTinyOnesStayPlain) {
  // A 1 x 3 scan's document: the middle of the type area carries a gutter without ink.
  const BgrImage wide = renderPage({2600, 1000, 100, 1, kFonts});
  int columnsWithoutInk = 0;
  for (int32_t x = 200; x < 2400; ++x) {
    bool any = false;
    for (int32_t y = 300; y < 900 && !any; ++y) any = isInk(wide.pixel(x, y));
    columnsWithoutInk += !any;
  }
  EXPECT_GE(columnsWithoutInk, 20);
  const BgrImage tiny = renderPage({120, 160, 72, 1, kFonts});
  EXPECT_EQ(tiny.width, 120);
}

TEST(PageRender, MissingFontsAreReportedNotDrawnAround) {
  EXPECT_THROW(renderPage({600, 850, 72, 1, "/nonexistent"}), std::runtime_error);
  EXPECT_THROW(Font("/nonexistent/DejaVuSans.ttf", 10, 150), std::runtime_error);
}

TEST(PageText, FontMeasuresAndDrawsWithinItsBox) {
  const Font font(std::string(kFonts) + "/DejaVuSerif.ttf", 12, 150);
  EXPECT_GT(font.measure("Reed bed"), font.measure("Reed"));
  EXPECT_EQ(font.measure(""), 0);
  EXPECT_GT(font.lineHeight(), font.ascent());
  BgrImage canvas = makeImage(300, 80);
  const int32_t width = font.measure("Heron Point");
  font.draw(canvas, 10, 50, "Heron Point", {0, 0, 0});
  int32_t left = 300, right = -1, top = 80, bottom = -1;
  for (int32_t y = 0; y < 80; ++y)
    for (int32_t x = 0; x < 300; ++x)
      if (canvas.pixel(x, y)[0] < 200) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  EXPECT_GE(left, 10);
  EXPECT_LE(right, 10 + width + 1);
  EXPECT_GE(top, 50 - font.ascent());
  EXPECT_LE(bottom, 50 + font.descent());
  // Text running off the canvas is cut, not written past it.
  font.draw(canvas, 250, 5, "clipped on every side \xe2\x80\x94 \xff", {0, 0, 0});
}

TEST(PageText, WrappedLinesKeepEveryWordAndTheirWidth) {
  const Font font(std::string(kFonts) + "/DejaVuSans.ttf", 10, 150);
  const std::string text =
      "The sheltered catchment suggests the estimate throughout the average "
      "wetland, extraordinarilylongwordthatcannotbebroken and more.";
  const auto lines = wrapWords(font, text, 200);
  std::string joined;
  for (const auto& line : lines) {
    std::string words;
    for (const auto& word : line) words += (words.empty() ? "" : " ") + word;
    if (line.size() > 1) {
      EXPECT_LE(font.measure(words), 200) << words;
    }
    joined += (joined.empty() ? "" : " ") + words;
  }
  EXPECT_EQ(joined, text);
  EXPECT_GT(lines.size(), 3u);
}

TEST(PageText, ColumnFlowMovesOnAndFillsUp) {
  ColumnFlow flow(10, 20, 210, 120, 2, 10);  // two columns of 100, 100 rows tall
  EXPECT_EQ(flow.width(), 100);
  EXPECT_TRUE(flow.reserve(80));
  flow.advance(80);
  EXPECT_TRUE(flow.reserve(40));  // moves to the second column
  EXPECT_EQ(flow.x(), 120);
  EXPECT_EQ(flow.y(), 20);
  flow.advance(90);
  EXPECT_FALSE(flow.reserve(20));  // the last column keeps its space for smaller blocks
  EXPECT_FALSE(flow.full());
  EXPECT_TRUE(flow.reserve(10));
  EXPECT_FALSE(flow.reserve(200));
}

}  // namespace
}  // namespace tessaly::cli
