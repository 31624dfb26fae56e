// The pieces a generated page is built of, and the column flow that places them: paragraphs
// (justified), headings, ruled tables, framed pictures with captions and bulleted lists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bgr_image.h"
#include "font.h"

namespace tessaly::cli {

// The faces and sizes of one page, opened from a folder holding the DejaVu fonts.
struct PageFonts {
  PageFonts(const std::string& folder, int32_t dpi);
  std::unique_ptr<Font> title, subtitle, heading, body, small, caption, tableHead, tableBody;
};

inline constexpr Colour kInk{28, 28, 32};
inline constexpr Colour kHeadingInk{24, 48, 92};
inline constexpr Colour kGreyInk{90, 92, 98};
inline constexpr Colour kRuleInk{120, 122, 128};

void fillBox(BgrImage& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1, Colour colour);

// Columns of equal width filled from the top, one after another.
class ColumnFlow {
 public:
  ColumnFlow(int32_t left, int32_t top, int32_t width, int32_t bottom, int32_t columns,
             int32_t gutter);

  int32_t x() const { return left_ + column_ * (columnWidth_ + gutter_); }
  int32_t y() const { return y_; }
  int32_t width() const { return columnWidth_; }
  int32_t room() const { return bottom_ - y_; }
  bool atColumnTop() const { return y_ == top_; }
  bool full() const { return column_ >= columns_; }
  void advance(int32_t height) { y_ += height; }
  // Moves to the top of the next column; false when there is none.
  bool nextColumn();
  // Makes sure `height` fits in this column, moving to the next one when it does not and there
  // is one; false when it does not fit.
  bool reserve(int32_t height);

 private:
  int32_t left_, top_, columnWidth_, bottom_, columns_, gutter_;
  int32_t column_ = 0;
  int32_t y_;
};

// Each returns false when the page filled up before the block was complete.
bool flowParagraph(BgrImage& canvas, ColumnFlow& flow, const Font& font, const std::string& text,
                   int32_t indent);
bool flowHeading(BgrImage& canvas, ColumnFlow& flow, const PageFonts& fonts,
                 const std::string& text);
bool flowTable(BgrImage& canvas, ColumnFlow& flow, const PageFonts& fonts, const std::string& title,
               const std::vector<std::vector<std::string>>& cells, int32_t dpi);
bool flowFigure(BgrImage& canvas, ColumnFlow& flow, const PageFonts& fonts,
                const std::string& caption, int32_t dpi, uint64_t seed);
bool flowList(BgrImage& canvas, ColumnFlow& flow, const PageFonts& fonts,
              const std::vector<std::string>& items);

// Breaks text into lines no wider than `width` (a word wider than that gets a line of its own).
std::vector<std::vector<std::string>> wrapWords(const Font& font, const std::string& text,
                                                int32_t width);

}  // namespace tessaly::cli
