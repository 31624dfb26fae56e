#include "page_blocks.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "landscape.h"

namespace tessaly::cli {
namespace {

int32_t points(double pt, int32_t dpi) {
  return std::max(1, int32_t(std::lround(pt * dpi / 72.0)));
}

std::unique_ptr<Font> open(const std::string& folder, const char* file, double pt, int32_t dpi) {
  return std::make_unique<Font>(folder + "/" + file, pt, dpi);
}

int32_t spaceWidth(const Font& font) {
  return std::max(1, font.measure(" "));
}

int32_t wordsWidth(const Font& font, const std::vector<std::string>& words) {
  int32_t width = 0;
  for (const std::string& word : words) width += font.measure(word);
  return width + spaceWidth(font) * int32_t(words.empty() ? 0 : words.size() - 1);
}

// Draws one line of words; a justified line spreads the spare width over its gaps.
void drawLine(BgrImage& canvas, const Font& font, int32_t x, int32_t baseline, int32_t width,
              const std::vector<std::string>& words, bool justify, Colour ink) {
  const int32_t gaps = int32_t(words.size()) - 1;
  const int32_t spare = justify && gaps > 0 ? std::max(0, width - wordsWidth(font, words)) : 0;
  int32_t pen = x;
  for (int32_t i = 0; i <= gaps; ++i) {
    font.draw(canvas, pen, baseline, words[size_t(i)], ink);
    pen += font.measure(words[size_t(i)]) + spaceWidth(font) +
           (gaps > 0 ? spare * (i + 1) / gaps - spare * i / gaps : 0);
  }
}

void hline(BgrImage& canvas, int32_t x0, int32_t x1, int32_t y, int32_t thickness, Colour c) {
  fillBox(canvas, x0, y, x1, y + thickness, c);
}

void vline(BgrImage& canvas, int32_t x, int32_t y0, int32_t y1, int32_t thickness, Colour c) {
  fillBox(canvas, x, y0, x + thickness, y1, c);
}

}  // namespace

PageFonts::PageFonts(const std::string& folder, int32_t dpi)
    : title(open(folder, "DejaVuSerif-Bold.ttf", 20, dpi)),
      subtitle(open(folder, "DejaVuSans.ttf", 11, dpi)),
      heading(open(folder, "DejaVuSans-Bold.ttf", 12, dpi)),
      body(open(folder, "DejaVuSerif.ttf", 9.5, dpi)),
      small(open(folder, "DejaVuSans.ttf", 7, dpi)),
      caption(open(folder, "DejaVuSans.ttf", 8, dpi)),
      tableHead(open(folder, "DejaVuSans-Bold.ttf", 8, dpi)),
      tableBody(open(folder, "DejaVuSansMono.ttf", 8, dpi)) {}

void fillBox(BgrImage& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1, Colour colour) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, canvas.width);
  y1 = std::min(y1, canvas.height);
  for (int32_t y = y0; y < y1; ++y)
    for (int32_t x = x0; x < x1; ++x) {
      uint8_t* p = canvas.pixel(x, y);
      p[0] = colour.blue;
      p[1] = colour.green;
      p[2] = colour.red;
    }
}

ColumnFlow::ColumnFlow(int32_t left, int32_t top, int32_t width, int32_t bottom, int32_t columns,
                       int32_t gutter)
    : left_(left),
      top_(top),
      columnWidth_((width - (columns - 1) * gutter) / columns),
      bottom_(bottom),
      columns_(columns),
      gutter_(gutter),
      y_(top) {}

bool ColumnFlow::nextColumn() {
  ++column_;
  y_ = top_;
  return !full();
}

bool ColumnFlow::reserve(int32_t height) {
  if (full()) return false;
  if (height <= room()) return true;
  // In the last column a block that does not fit leaves the space to smaller ones.
  if (column_ + 1 >= columns_) return false;
  nextColumn();
  return height <= room();
}

std::vector<std::vector<std::string>> wrapWords(const Font& font, const std::string& text,
                                                int32_t width) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream words(text);
  std::vector<std::string> line;
  for (std::string word; words >> word;) {
    line.push_back(word);
    if (line.size() > 1 && wordsWidth(font, line) > width) {
      line.pop_back();
      lines.push_back(line);
      line = {word};
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool flowParagraph(BgrImage& canvas, ColumnFlow& flow, const Font& font, const std::string& text,
                   int32_t indent) {
  const auto lines = wrapWords(font, text, flow.width() - indent);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!flow.reserve(font.lineHeight())) return false;
    const int32_t shift = i == 0 ? indent : 0;
    drawLine(canvas, font, flow.x() + shift, flow.y() + font.ascent(), flow.width() - shift,
             lines[i], i + 1 < lines.size(), kInk);
    flow.advance(font.lineHeight());
  }
  flow.advance(font.lineHeight() / 2);
  return true;
}

bool flowHeading(BgrImage& canvas, ColumnFlow& flow, const PageFonts& fonts,
                 const std::string& text) {
  const int32_t before = flow.atColumnTop() ? 0 : fonts.body->lineHeight() / 2;
  // A heading never ends a column: it keeps two lines of its text with it.
  if (!flow.reserve(before + fonts.heading->lineHeight() * 3 / 2 + 2 * fonts.body->lineHeight()))
    return false;
  flow.advance(flow.atColumnTop() ? 0 : before);
  fonts.heading->draw(canvas, flow.x(), flow.y() + fonts.heading->ascent(), text, kHeadingInk);
  flow.advance(fonts.heading->lineHeight() * 3 / 2);
  return true;
}

bool flowTable(BgrImage& canvas, ColumnFlow& flow, const PageFonts& fonts, const std::string& title,
               const std::vector<std::vector<std::string>>& cells, int32_t dpi) {
  const int32_t rowHeight = fonts.tableBody->lineHeight() * 3 / 2;
  const int32_t titleHeight = fonts.tableHead->lineHeight() * 3 / 2;
  const int32_t height = titleHeight + rowHeight * int32_t(cells.size()) + fonts.body->lineHeight();
  if (!flow.reserve(height)) return false;
  const int32_t x0 = flow.x(), width = flow.width(), thin = points(0.5, dpi),
                thick = points(1.2, dpi);
  fonts.tableHead->draw(canvas, x0, flow.y() + fonts.tableHead->ascent(), title, kInk);
  int32_t y = flow.y() + titleHeight;
  // The first column holds names and takes a third; the figures share the rest.
  const auto columns = int32_t(cells.front().size());
  std::vector<int32_t> edges = {x0, x0 + width / 3};
  for (int32_t c = 1; c < columns; ++c)
    edges.push_back(edges[1] + (width - width / 3) * c / (columns - 1));
  const int32_t pad = points(3, dpi);
  for (size_t r = 0; r < cells.size(); ++r, y += rowHeight) {
    if (r == 0)
      fillBox(canvas, x0, y, x0 + width, y + rowHeight, {222, 229, 238});
    else if (r % 2 == 0)
      fillBox(canvas, x0, y, x0 + width, y + rowHeight, {243, 243, 241});
    const Font& font = r == 0 ? *fonts.tableHead : *fonts.tableBody;
    const int32_t baseline = y + (rowHeight + font.ascent() - font.descent()) / 2;
    for (int32_t c = 0; c < columns; ++c) {
      const std::string& text = cells[r][size_t(c)];
      const int32_t tx = c == 0 ? edges[0] + pad : edges[size_t(c) + 1] - pad - font.measure(text);
      font.draw(canvas, tx, baseline, text, kInk);
    }
    if (r > 0) hline(canvas, x0, x0 + width, y, thin, kRuleInk);
  }
  const int32_t top = flow.y() + titleHeight;
  hline(canvas, x0, x0 + width, top, thick, kInk);
  hline(canvas, x0, x0 + width, top + rowHeight, thin, kInk);
  hline(canvas, x0, x0 + width, y, thick, kInk);
  for (int32_t c = 1; c < columns; ++c) vline(canvas, edges[size_t(c)], top, y, thin, kRuleInk);
  flow.advance(height);
  return true;
}

bool flowFigure(BgrImage& canvas, ColumnFlow& flow, const PageFonts& fonts,
                const std::string& caption, int32_t dpi, uint64_t seed) {
  const auto captionLines = wrapWords(*fonts.caption, caption, flow.width());
  const int32_t pictureHeight = flow.width() * 9 / 20;
  const int32_t gap = points(4, dpi);
  const int32_t height = pictureHeight + gap +
                         fonts.caption->lineHeight() * int32_t(captionLines.size()) +
                         fonts.body->lineHeight();
  if (!flow.reserve(height)) return false;
  const int32_t x0 = flow.x(), y0 = flow.y(), frame = points(0.75, dpi);
  paintLandscape(canvas, x0, y0, flow.width(), pictureHeight, seed);
  hline(canvas, x0, x0 + flow.width(), y0, frame, kGreyInk);
  hline(canvas, x0, x0 + flow.width(), y0 + pictureHeight - frame, frame, kGreyInk);
  vline(canvas, x0, y0, y0 + pictureHeight, frame, kGreyInk);
  vline(canvas, x0 + flow.width() - frame, y0, y0 + pictureHeight, frame, kGreyInk);
  int32_t baseline = y0 + pictureHeight + gap + fonts.caption->ascent();
  for (const auto& line : captionLines) {
    drawLine(canvas, *fonts.caption, x0, baseline, flow.width(), line, false, kGreyInk);
    baseline += fonts.caption->lineHeight();
  }
  flow.advance(height);
  return true;
}

bool flowList(BgrImage& canvas, ColumnFlow& flow, const PageFonts& fonts,
              const std::vector<std::string>& items) {
  const Font& font = *fonts.body;
  const int32_t hang = font.measure("\xe2\x80\xa2") * 3;  // the bullet and its gap
  for (const std::string& item : items) {
    const auto lines = wrapWords(font, item, flow.width() - hang);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (!flow.reserve(font.lineHeight())) return false;
      const int32_t baseline = flow.y() + font.ascent();
      if (i == 0) font.draw(canvas, flow.x() + hang / 3, baseline, "\xe2\x80\xa2", kInk);
      drawLine(canvas, font, flow.x() + hang, baseline, flow.width() - hang, lines[i], false, kInk);
      flow.advance(font.lineHeight());
    }
  }
  flow.advance(font.lineHeight() / 2);
  return true;
}

}  // namespace tessaly::cli
