// Drawing the selection's outline: the selection composed at the view's zoom into an 8-bit
// scratch layer a little larger than the visible part (so that the edge pixels see their
// neighbours), the boundary between selected and unselected pixels picked out, and drawn with a
// raster operation that shows on any background.
#include "view_selection.h"

#include <algorithm>

#include "compose.h"
#include "owned.h"
#include "picture.h"
#include "pixel_rect.h"
#include "rect_util.h"
#include "view_draw.h"

namespace tessaly::engine {
namespace {

constexpr int32_t kMargin = 2;
constexpr unsigned char kSelected = 128;

zanHandle makeScratch(const RECT& scaled) {
  OwnedObject scratch(createLayer(scaled));
  Locked<Layer> layer = lockOrThrow<Layer>(scratch.get());
  layer.markModified();
  layer->bitsPerPixel = 8;
  // One tile over the whole scratch area.
  layer->tileWidth = std::max(1, layer->width());
  layer->tileHeight = std::max(1, layer->height());
  writeIn(*layer, nullptr, RECT{0, 0, layer->width(), layer->height()}, 0, 0);
  return scratch.release();
}

// A grey palette: entry i is blue = green = red = i.
std::vector<unsigned char> greyPalette() {
  std::vector<unsigned char> palette(256 * 4, 0);
  for (int i = 0; i < 256; ++i)
    palette[i * 4] = palette[i * 4 + 1] = palette[i * 4 + 2] = static_cast<unsigned char>(i);
  return palette;
}

}  // namespace

std::vector<unsigned char> selectionOutline(const std::vector<unsigned char>& coverage,
                                            int32_t width, int32_t height) {
  std::vector<unsigned char> outline(coverage.size(), 0);
  auto selected = [&](int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < width && y < height &&
           coverage[static_cast<size_t>(y) * width + x] >= kSelected;
  };
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      if (selected(x, y) && (!selected(x - 1, y) || !selected(x + 1, y) || !selected(x, y - 1) ||
                             !selected(x, y + 1)))
        outline[static_cast<size_t>(y) * width + x] = 255;
  return outline;
}

void showSelection(View& view, const ZanDevice& device, const RECT& rect, int32_t flag) {
  zanHandle selection = 0;
  {
    Locked<Picture> picture(view.picture);
    if (picture) selection = picture->selection;
  }
  Locked<Layer> mask(selection);
  if (!mask || mask->bitsPerPixel != 8) return;
  const ComposeScale scale{view.zoomNumerator, view.zoomDenominator};
  // The visible part of the selection, in the scaled picture space.
  const RECT visible =
      intersect(scaledRect(mask->rect, scale), offsetRect(rect, view.scrollX, view.scrollY));
  if (isEmpty(visible)) return;
  RECT grown = visible;
  zanRectInflate(&grown, kMargin, kMargin);
  OwnedObject scratch(makeScratch(grown));
  Locked<Layer> layer = lockOrThrow<Layer>(scratch.get());
  layer.markModified();
  composeLayers(*layer, {ComposeSource{selection, true}}, grown, scale);
  mask.reset();

  const int32_t width = layer->width();
  const int32_t height = layer->height();
  std::vector<unsigned char> coverage(static_cast<size_t>(width) * height, 0);
  copyOut(*layer, coverage.data(), RECT{0, 0, width, height}, width);
  std::vector<unsigned char> outline = selectionOutline(coverage, width, height);
  // Inverting under the outline leaves everything else as it was; with the and-operation the
  // outline is black and everything else white, which and leaves as it was.
  const bool invert = flag == 0;
  if (!invert)
    for (unsigned char& v : outline) v = static_cast<unsigned char>(255 - v);
  writeIn(*layer, outline.data(), RECT{0, 0, width, height}, width, 0);

  const std::vector<unsigned char> palette = greyPalette();
  DrawOptions options;
  options.origin =
      POINT{view.rect.left + grown.left - view.scrollX, view.rect.top + grown.top - view.scrollY};
  options.rasterOp = invert ? ZAN_ROP_SRCINVERT : ZAN_ROP_SRCAND;
  options.palette = palette.data();
  drawLayerPixels(*layer, offsetRect(visible, -grown.left, -grown.top), device, options);
}

}  // namespace tessaly::engine
