#include "page_layout.h"

#include <algorithm>
#include <cmath>

#include "page_blocks.h"
#include "text_source.h"

namespace tessaly::cli {
namespace {

constexpr Colour kPaper{251, 250, 246};

struct Frame {
  int32_t left, right, top, bottom;  // the type area
};

int32_t millimetres(double mm, int32_t dpi) {
  return int32_t(std::lround(mm * dpi / 25.4));
}

// The running header above the title and the footer below the type area.
void drawHeaderAndFooter(BgrImage& canvas, const PageFonts& fonts, const Frame& frame,
                         int32_t dpi) {
  const Font& small = *fonts.small;
  const int32_t headerBaseline = frame.top - millimetres(4, dpi);
  small.draw(canvas, frame.left, headerBaseline, "LAKELAND WETLANDS SURVEY", kGreyInk);
  const std::string right = "Annual report \xe2\x80\x94 section B";
  small.draw(canvas, frame.right - small.measure(right), headerBaseline, right, kGreyInk);
  fillBox(canvas, frame.left, headerBaseline + small.descent() + 2, frame.right,
          headerBaseline + small.descent() + 2 + std::max(1, dpi / 150), kRuleInk);

  const int32_t footerBaseline = frame.bottom + millimetres(8, dpi);
  fillBox(canvas, frame.left, footerBaseline - small.ascent() - millimetres(2, dpi), frame.right,
          footerBaseline - small.ascent() - millimetres(2, dpi) + std::max(1, dpi / 150), kRuleInk);
  const std::string page = "\xe2\x80\x93 7 \xe2\x80\x93";
  small.draw(canvas, (frame.left + frame.right - small.measure(page)) / 2, footerBaseline, page,
             kGreyInk);
  small.draw(canvas, frame.left, footerBaseline, "Field data as recorded; figures rounded.",
             kGreyInk);
}

// The title block across the full width; returns the row below it.
int32_t drawTitle(BgrImage& canvas, const PageFonts& fonts, const Frame& frame, int32_t dpi) {
  int32_t y = frame.top;
  fonts.title->draw(canvas, frame.left, y + fonts.title->ascent(), "Water and Reed Bed Monitoring",
                    kHeadingInk);
  y += fonts.title->lineHeight();
  fonts.subtitle->draw(canvas, frame.left, y + fonts.subtitle->ascent(),
                       "Results of the spring and summer field season, with site tables", kGreyInk);
  y += fonts.subtitle->lineHeight() + millimetres(2, dpi);
  fillBox(canvas, frame.left, y, frame.right, y + std::max(1, dpi / 100), kHeadingInk);
  return y + millimetres(5, dpi);
}

// Fills the columns with a fixed rhythm of blocks until the page is full.
void flowBody(BgrImage& canvas, const PageFonts& fonts, ColumnFlow& flow,
              const PageRequest& request) {
  TextSource text(request.seed);
  const int32_t indent = fonts.body->measure("mmm");
  int section = 1, table = 1, figure = 1;
  enum Block { kHeading, kFirstParagraph, kParagraph, kTable, kFigure, kList };
  const Block rhythm[] = {kHeading, kFirstParagraph, kParagraph, kTable,     kParagraph,
                          kHeading, kFirstParagraph, kFigure,    kParagraph, kList};
  for (size_t step = 0;; ++step) {
    bool fitted = true;
    const Block block = rhythm[step % std::size(rhythm)];
    switch (block) {
      case kHeading:
        fitted = flowHeading(canvas, flow, fonts, text.heading(section++));
        break;
      case kFirstParagraph:
        fitted = flowParagraph(canvas, flow, *fonts.body, text.paragraph(text.between(3, 5)), 0);
        break;
      case kParagraph:
        fitted =
            flowParagraph(canvas, flow, *fonts.body, text.paragraph(text.between(3, 6)), indent);
        break;
      case kTable:
        fitted = flowTable(canvas, flow, fonts, text.tableTitle(table++),
                           text.table(text.between(6, 8)), request.dpi);
        break;
      case kFigure:
        fitted = flowFigure(canvas, flow, fonts, text.figureCaption(figure++), request.dpi,
                            request.seed + step);
        break;
      case kList: {
        std::vector<std::string> items;
        for (int k = text.between(3, 4); k > 0; --k) items.push_back(text.listItem());
        fitted = flowList(canvas, flow, fonts, items);
        break;
      }
    }
    // Text that no longer fits ends the page; a heading, table or picture that does not fit
    // leaves the rest of the page to the text after it.
    const bool text = block == kFirstParagraph || block == kParagraph || block == kList;
    if ((!fitted && text) || flow.full()) return;
  }
}

}  // namespace

BgrImage renderPage(const PageRequest& request) {
  BgrImage canvas = makeImage(request.width, request.height);
  fillBox(canvas, 0, 0, canvas.width, canvas.height, kPaper);
  const PageFonts fonts(request.fontFolder, request.dpi);
  const int32_t side = millimetres(18, request.dpi);
  const Frame frame{side, request.width - side, millimetres(16, request.dpi),
                    request.height - millimetres(18, request.dpi)};
  if (frame.right - frame.left < millimetres(40, request.dpi) ||
      frame.bottom - frame.top < millimetres(60, request.dpi))
    return canvas;  // too small for a type area: plain paper
  drawHeaderAndFooter(canvas, fonts, frame, request.dpi);
  const int32_t bodyTop = drawTitle(canvas, fonts, frame, request.dpi);
  // Text lines stay readable: one column per 11 cm of type area.
  const double widthMm = (frame.right - frame.left) * 25.4 / request.dpi;
  const int32_t columns = std::max(1, int32_t(widthMm / 110));
  ColumnFlow flow(frame.left, bodyTop, frame.right - frame.left, frame.bottom, columns,
                  millimetres(7, request.dpi));
  flowBody(canvas, fonts, flow, request);
  return canvas;
}

}  // namespace tessaly::cli
