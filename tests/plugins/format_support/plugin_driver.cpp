#include "plugin_driver.h"

#include <algorithm>
#include <cstring>

namespace tessaly::test {
namespace {

void collect(int32_t tag, int32_t size, const void* value, void* user) {
  auto* d = static_cast<Decoded*>(user);
  if (size != 4) return;
  if (tag == PLUG_TAG_XRESOLUTION) std::memcpy(&d->xDpi, value, 4);
  if (tag == PLUG_TAG_YRESOLUTION) std::memcpy(&d->yDpi, value, 4);
}

bool readRows(PlugInstance* r, Decoded& d, int32_t band) {
  const int32_t height = d.layer.bottom - d.layer.top, rowBytes = d.layer.rowBytes;
  d.rows.assign(size_t(rowBytes) * size_t(height), 0);
  const bool bottomUp = d.layer.rowOrder == PLUG_ROWS_BOTTOM_UP;
  for (int32_t done = 0; done < height;) {
    const int32_t rows = std::min(band, height - done);
    // Bottom-up rows go in from the bottom with a negative stride.
    uint8_t* first = d.rows.data() + size_t(bottomUp ? height - 1 - done : done) * rowBytes;
    uint8_t* planes[1] = {first};
    if (r->table.ReadRows(r, rows, planes, bottomUp ? -rowBytes : rowBytes) != rows) return false;
    done += rows;
  }
  return true;
}

}  // namespace

Decoded decode(const std::vector<uint8_t>& file, int32_t band) {
  Decoded d;
  tessaly::plugin::MemoryStream stream(file);
  PlugInstance* r = GetPlugStruct(stream.stream(), 0, PLUG_FORMAT_ANY);
  if (r == nullptr) return d;
  d.image.size = sizeof d.image;
  d.layer.size = sizeof d.layer;
  if (r->table.OpenImage(r, &d.image) == 1) {
    d.opened = true;
    r->table.EnumImageInfo(r, collect, &d);
    if (r->table.StartReadImage(r, &d.layer) != 1 || !readRows(r, d, band))
      d.error = r->table.GetError(r);
  } else {
    d.error = r->table.GetError(r);
  }
  r->table.CloseImage(r);
  return d;
}

std::vector<uint8_t> encode(const Picture& picture, const SaveOptions* options, int32_t dpi,
                            int32_t* error, size_t limit) {
  tessaly::plugin::MemoryStream out;
  out.limitSize(limit);
  PlugInstance* w = GetPlugStruct(out.stream(), 1, PLUG_FORMAT_ANY);
  if (w == nullptr) return {};
  CreateRequest request{};
  request.size = sizeof request;
  request.colorModel = picture.colorModel;
  request.bits = picture.bits;
  request.width = picture.width;
  request.height = picture.height;
  request.hasPalette = picture.paletteCount > 0;
  request.paletteCount = picture.paletteCount;
  std::memcpy(request.palette, picture.palette, sizeof request.palette);
  request.options = const_cast<SaveOptions*>(options);
  RowLayout layout{};
  layout.size = sizeof layout;
  bool ok = w->table.CreateImage(w, &request, &layout) == 1;
  if (ok && dpi > 0) {
    w->table.AddImageInfo(w, PLUG_TAG_XRESOLUTION, &dpi, 4);
    w->table.AddImageInfo(w, PLUG_TAG_YRESOLUTION, &dpi, 4);
  }
  ok = ok && w->table.StartWriteImage(w) == 1;
  const int32_t rowBytes = picture.rowBytes();
  const bool bottomUp = layout.rowOrder == PLUG_ROWS_BOTTOM_UP;
  for (int32_t done = 0; ok && done < picture.height;) {
    const int32_t rows = std::min(32, picture.height - done);
    const int32_t first = bottomUp ? picture.height - 1 - done : done;
    const uint8_t* planes[1] = {picture.rows.data() + size_t(first) * rowBytes};
    ok = w->table.WriteRows(w, rows, planes, bottomUp ? -rowBytes : rowBytes) == rows;
    done += rows;
  }
  if (error != nullptr) *error = ok ? 0 : w->table.GetError(w);
  w->table.CloseImage(w);
  return ok ? out.bytes() : std::vector<uint8_t>{};
}

}  // namespace tessaly::test
