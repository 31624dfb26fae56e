#include "tga_test_support.h"

#include <algorithm>

namespace tessaly::test {

Bytes headerBytes(const Header& h) {
  Bytes b = {h.idLength, h.mapType, h.type};
  const auto le16 = [&b](uint16_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); };
  le16(h.firstEntry);
  le16(h.mapLength);
  b.push_back(h.entryBits);
  le16(0);  // x origin
  le16(h.yOrigin);
  le16(h.width);
  le16(h.height);
  b.insert(b.end(), {h.depth, h.descriptor});
  return b;
}

Bytes file(const Header& h, std::initializer_list<Bytes> parts) {
  Bytes out = headerBytes(h);
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Reader::Reader(Bytes bytes) : stream(std::move(bytes)) {
  instance_ = GetPlugStruct(stream.stream(), 0, PLUG_FORMAT_ANY);
  info.size = sizeof info;
  layer.size = sizeof layer;
}

Reader::~Reader() {
  if (instance_ != nullptr) instance_->table.CloseImage(instance_);
}

bool Reader::open() {
  return instance_ != nullptr && instance_->table.OpenImage(instance_, &info) == 1 &&
         instance_->table.StartReadImage(instance_, &layer) == 1;
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

CreateRequest createRequest(const WriteRequest& w, SaveOptions* options) {
  *options = SaveOptions{sizeof *options, w.fileBits, w.runLength};
  CreateRequest request{};
  request.size = sizeof request;
  request.colorModel = w.colorModel;
  request.bits = w.bits;
  request.hasPalette = w.palette.empty() ? 0 : 1;
  request.paletteCount = int32_t(w.palette.size());
  std::copy_n(w.palette.begin(), std::min<size_t>(w.palette.size(), 256), request.palette);
  request.width = w.width;
  request.height = w.height;
  request.options = w.withOptions ? options : nullptr;
  return request;
}

Written write(const WriteRequest& w, const Bytes& rows, int32_t batch, size_t limit) {
  tessaly::plugin::MemoryStream out;
  out.limitSize(limit);
  Written result;
  PlugInstance* instance = GetPlugStruct(out.stream(), 1, PLUG_FORMAT_TGA);
  EXPECT_NE(instance, nullptr);
  if (instance == nullptr) return result;
  const PlugFunctionTable& t = instance->table;

  SaveOptions options;
  const CreateRequest request = createRequest(w, &options);
  result.layout.size = sizeof result.layout;

  result.created = t.CreateImage(instance, &request, &result.layout) == 1;
  result.started = result.created && t.StartWriteImage(instance) == 1;
  const int32_t rowBytes = w.width * (w.bits / 8);
  for (int32_t row = 0; result.started && row < w.height; row += batch) {
    const int32_t count = std::min(batch, w.height - row);
    const uint8_t* planes[1] = {rows.data() + size_t(row) * rowBytes};
    const int32_t taken = t.WriteRows(instance, count, planes, rowBytes);
    result.rowsTaken += taken;
    if (taken != count) break;
  }
  result.error = t.GetError(instance);
  t.CloseImage(instance);
  result.file = out.bytes();
  return result;
}

}  // namespace tessaly::test
