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

// Reads every row top first: bottom-up rows go in from the bottom with a negative stride.
bool readTopFirst(Reader& r, Decoded& d, int32_t band) {
  const int32_t height = d.layer.bottom - d.layer.top, rowBytes = d.layer.rowBytes;
  d.rows.assign(size_t(rowBytes) * size_t(height), 0);
  const bool bottomUp = d.layer.rowOrder == PLUG_ROWS_BOTTOM_UP;
  for (int32_t done = 0; done < height;) {
    const int32_t rows = std::min(band, height - done);
    uint8_t* first = d.rows.data() + size_t(bottomUp ? height - 1 - done : done) * rowBytes;
    if (r.read(rows, first, bottomUp ? -rowBytes : rowBytes) != rows) return false;
    done += rows;
  }
  return true;
}

}  // namespace

Reader::Reader(Bytes bytes) : stream(std::move(bytes)) {
  instance_ = GetPlugStruct(stream.stream(), 0, PLUG_FORMAT_ANY);
  info.size = sizeof info;
  layer.size = sizeof layer;
}

Reader::~Reader() {
  if (instance_ != nullptr) instance_->table.CloseImage(instance_);
}

bool Reader::openImage() {
  return instance_->table.OpenImage(instance_, &info) == 1;
}

bool Reader::startRead() {
  return instance_->table.StartReadImage(instance_, &layer) == 1;
}

int32_t Reader::read(int32_t rows, uint8_t* first, int32_t stride) {
  uint8_t* planes[1] = {first};
  return instance_->table.ReadRows(instance_, rows, planes, stride);
}

bool Reader::readAll(Bytes& out, int32_t batch) {
  if (!open()) return false;
  out.assign(size_t(layer.rowBytes) * size_t(info.height), 0xEE);
  for (int32_t row = 0; row < info.height; row += batch) {
    const int32_t rows = std::min(batch, info.height - row);
    if (read(rows, out.data() + size_t(row) * layer.rowBytes, layer.rowBytes) != rows) return false;
  }
  return true;
}

Written writeImage(const CreateRequest& request, const Bytes& rows, const WriteSteps& steps) {
  plugin::MemoryStream out;
  out.limitSize(steps.limit);
  Written result;
  PlugInstance* w = GetPlugStruct(out.stream(), 1, PLUG_FORMAT_ANY);
  if (w == nullptr) return result;
  const PlugFunctionTable& t = w->table;
  result.layout.size = sizeof result.layout;
  result.created = t.CreateImage(w, &request, &result.layout) == 1;
  if (result.created && steps.dpi > 0) {
    t.AddImageInfo(w, PLUG_TAG_XRESOLUTION, &steps.dpi, 4);
    t.AddImageInfo(w, PLUG_TAG_YRESOLUTION, &steps.dpi, 4);
  }
  result.started = result.created && t.StartWriteImage(w) == 1;
  const int32_t rowBytes = rowBytesOf(request.bits, request.width), height = request.height;
  // Top-first rows go to a bottom-up writer from the bottom with a negative stride.
  const bool turn = !steps.rowsAsStored && result.layout.rowOrder == PLUG_ROWS_BOTTOM_UP;
  for (int32_t done = 0; result.started && done < height;) {
    const int32_t count = std::min(steps.band, height - done);
    const int32_t first = turn ? height - 1 - done : done;
    const uint8_t* planes[1] = {rows.data() + size_t(first) * rowBytes};
    const int32_t taken = t.WriteRows(w, count, planes, turn ? -rowBytes : rowBytes);
    result.rowsTaken += taken;
    if (taken != count) break;
    done += count;
  }
  result.error = t.GetError(w);
  t.CloseImage(w);
  result.file = out.bytes();
  return result;
}

CreateRequest requestFor(const Picture& picture, const SaveOptions* options) {
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
  return request;
}

Decoded decode(const std::vector<uint8_t>& file, int32_t band) {
  Decoded d;
  Reader r(file);
  if (r.instance() == nullptr) return d;
  if (r.openImage()) {
    d.opened = true;
    r.instance()->table.EnumImageInfo(r.instance(), collect, &d);
    const bool started = r.startRead();
    d.layer = r.layer;
    if (!started || !readTopFirst(r, d, band)) d.error = r.error();
  } else {
    d.error = r.error();
  }
  d.image = r.info;
  d.layer = r.layer;
  return d;
}

std::vector<uint8_t> encode(const Picture& picture, const SaveOptions* options, int32_t dpi,
                            int32_t* error, size_t limit) {
  const Written w =
      writeImage(requestFor(picture, options), picture.rows, {.limit = limit, .dpi = dpi});
  const bool ok = w.complete(picture.height);
  if (error != nullptr) *error = ok ? 0 : w.error;
  return ok ? w.file : std::vector<uint8_t>{};
}

}  // namespace tessaly::test
