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
  SaveOptions options;
  return writeImage(createRequest(w, &options), rows,
                    {.band = batch, .limit = limit, .rowsAsStored = true});
}

}  // namespace tessaly::test
