#include "dense_layout.h"

#include <algorithm>
#include <cmath>

#include "page_blocks.h"
#include "text_source.h"

namespace tessaly::cli {
namespace {

constexpr Colour kPaper{252, 251, 248};
constexpr Colour kFormShade{232, 232, 228};

int32_t millimetres(double mm, int32_t dpi) {
  return int32_t(std::lround(mm * dpi / 25.4));
}

// The fields of one record form, two to a line; every block of the page repeats them.
const char* const kFormFields[][2] = {{"Site", "Date"},
                                      {"Observer", "Time"},
                                      {"Depth (m)",
                                       "Temp (\xc2\xb0"
                                       "C)"},
                                      {"pH", "Turbidity"}};
const char* const kConditions[] = {"good", "fair", "poor", "dry"};

// One field: its label, the line to write on and, on a filled-in form, the entry.
void drawField(BgrImage& canvas, const PageFonts& fonts, int32_t x, int32_t baseline, int32_t width,
               const char* label, const std::string& entry) {
  const Font& small = *fonts.small;
  small.draw(canvas, x, baseline, label, kGreyInk);
  const int32_t lineStart = x + small.measure(label) + small.measure("  ");
  fillBox(canvas, lineStart, baseline + 1, x + width - small.measure(" "), baseline + 2, kRuleInk);
  if (!entry.empty())
    fonts.tableBody->draw(canvas, lineStart + small.measure(" "), baseline - 1, entry, kInk);
}

void drawCheckboxes(BgrImage& canvas, const PageFonts& fonts, int32_t x, int32_t baseline,
                    int ticked) {
  const Font& small = *fonts.small;
  small.draw(canvas, x, baseline, "Condition:", kGreyInk);
  int32_t pen = x + small.measure("Condition:  ");
  const int32_t box = std::max(4, small.ascent() * 3 / 4);
  for (int k = 0; k < int(std::size(kConditions)); ++k) {
    fillBox(canvas, pen, baseline - box, pen + box, baseline, kInk);
    fillBox(canvas, pen + 1, baseline - box + 1, pen + box - 1, baseline - 1,
            k == ticked ? kInk : kPaper);
    pen += box + small.measure(" ");
    small.draw(canvas, pen, baseline, kConditions[k], kGreyInk);
    pen += small.measure(kConditions[k]) + small.measure("   ");
  }
}

// A framed record form across the column; returns false when it no longer fits.
bool flowForm(BgrImage& canvas, ColumnFlow& flow, const PageFonts& fonts, TextSource& text,
              int number) {
  const Font& small = *fonts.small;
  const int32_t line = small.lineHeight() * 2;
  const int32_t rows = int32_t(std::size(kFormFields)) + 3;  // title, fields, boxes, notes
  const int32_t height = line * rows + line / 2;
  if (!flow.reserve(height + fonts.body->lineHeight() / 2)) return false;
  const int32_t x0 = flow.x(), y0 = flow.y(), width = flow.width();
  const int32_t pad = small.measure("m");
  fillBox(canvas, x0, y0, x0 + width, y0 + line, kFormShade);
  fonts.tableHead->draw(canvas, x0 + pad, y0 + (line + small.ascent()) / 2, "SAMPLE RECORD", kInk);
  const std::string no = "No. " + std::to_string(number);
  small.draw(canvas, x0 + width - pad - small.measure(no), y0 + (line + small.ascent()) / 2, no,
             kInk);
  int32_t baseline = y0 + line + line * 2 / 3;
  // Half of the forms are filled in; the others show only their printed fields.
  const bool filled = text.between(0, 1) == 1;
  for (const auto& pair : kFormFields) {
    for (int side = 0; side < 2; ++side) {
      const std::string entry = filled ? std::to_string(text.between(1, 999)) : std::string();
      drawField(canvas, fonts, x0 + pad + side * (width / 2), baseline, width / 2 - pad, pair[side],
                entry);
    }
    baseline += line;
  }
  drawCheckboxes(canvas, fonts, x0 + pad, baseline, filled ? text.between(0, 3) : -1);
  baseline += line;
  drawField(canvas, fonts, x0 + pad, baseline, width - 2 * pad, "Notes", std::string());
  // The frame.
  const int32_t thin = std::max(1, flow.width() / 400), bottom = y0 + height;
  fillBox(canvas, x0, y0, x0 + width, y0 + thin, kInk);
  fillBox(canvas, x0, bottom - thin, x0 + width, bottom, kInk);
  fillBox(canvas, x0, y0, x0 + thin, bottom, kInk);
  fillBox(canvas, x0 + width - thin, y0, x0 + width, bottom, kInk);
  flow.advance(height + fonts.body->lineHeight() / 2);
  return true;
}

void drawHeaderAndFooter(BgrImage& canvas, const PageFonts& fonts, int32_t left, int32_t right,
                         int32_t top, int32_t bottom, int32_t dpi) {
  const Font& small = *fonts.small;
  const int32_t headerBaseline = top - millimetres(3, dpi);
  small.draw(canvas, left, headerBaseline, "REGIONAL WATER BOARD \xe2\x80\x94 FIELD RECORDS",
             kGreyInk);
  const std::string book = "Record book 4, forms and site tables";
  small.draw(canvas, right - small.measure(book), headerBaseline, book, kGreyInk);
  const int32_t rule = std::max(1, dpi / 150);
  fillBox(canvas, left, headerBaseline + small.descent() + 2, right,
          headerBaseline + small.descent() + 2 + rule, kRuleInk);
  const int32_t footerBaseline = bottom + millimetres(7, dpi);
  fillBox(canvas, left, footerBaseline - small.ascent() - millimetres(2, dpi), right,
          footerBaseline - small.ascent() - millimetres(2, dpi) + rule, kRuleInk);
  const std::string page = "\xe2\x80\x93 12 \xe2\x80\x93";
  small.draw(canvas, (left + right - small.measure(page)) / 2, footerBaseline, page, kGreyInk);
}

// Text, forms and tables in a fixed rhythm until the columns are full.
void flowDenseBody(BgrImage& canvas, const PageFonts& fonts, ColumnFlow& flow,
                   const PageRequest& request) {
  TextSource text(request.seed);
  const int32_t indent = fonts.body->measure("mm");
  int section = 1, table = 1, form = 100 + text.between(0, 800);
  enum Block { kHeading, kParagraph, kForm, kTable };
  const Block rhythm[] = {kHeading,   kParagraph, kParagraph, kForm,      kForm,      kForm,
                          kParagraph, kTable,     kHeading,   kParagraph, kParagraph, kForm,
                          kForm,      kParagraph, kTable,     kParagraph};
  for (size_t step = 0; !flow.full(); ++step) {
    bool fitted = true;
    const Block block = rhythm[step % std::size(rhythm)];
    switch (block) {
      case kHeading:
        fitted = flowHeading(canvas, flow, fonts, text.heading(section++));
        break;
      case kParagraph:
        fitted =
            flowParagraph(canvas, flow, *fonts.body, text.paragraph(text.between(4, 8)), indent);
        break;
      case kForm:
        fitted = flowForm(canvas, flow, fonts, text, form++);
        break;
      case kTable:
        fitted = flowTable(canvas, flow, fonts, text.tableTitle(table++),
                           text.table(text.between(14, 26)), request.dpi);
        break;
    }
    // Text that no longer fits ends the page; a form or table that does not fit leaves the
    // rest of the page to the text after it.
    if (!fitted && block == kParagraph) return;
  }
}

}  // namespace

BgrImage renderDensePage(const PageRequest& request) {
  BgrImage canvas = makeImage(request.width, request.height);
  fillBox(canvas, 0, 0, canvas.width, canvas.height, kPaper);
  const PageFonts fonts(request.fontFolder, request.dpi);
  const int32_t side = millimetres(15, request.dpi);
  const int32_t left = side, right = request.width - side;
  const int32_t top = millimetres(14, request.dpi),
                bottom = request.height - millimetres(16, request.dpi);
  if (right - left < millimetres(60, request.dpi) || bottom - top < millimetres(60, request.dpi))
    return canvas;  // too small for two columns: plain paper
  drawHeaderAndFooter(canvas, fonts, left, right, top, bottom, request.dpi);
  fonts.heading->draw(canvas, left, top + fonts.heading->ascent(),
                      "Monitoring records of the spring season", kHeadingInk);
  const int32_t bodyTop = top + fonts.heading->lineHeight() * 2;
  // Two columns on a page up to A4 wide, one more for every further 9 cm.
  const double widthMm = (right - left) * 25.4 / request.dpi;
  const int32_t columns = std::max(2, int32_t(widthMm / 90));
  ColumnFlow flow(left, bodyTop, right - left, bottom, columns, millimetres(6, request.dpi));
  flowDenseBody(canvas, fonts, flow, request);
  return canvas;
}

}  // namespace tessaly::cli
