#include "tone_map.h"

#include "byte_tables.h"

namespace tessaly::tools {
namespace {

void mapRgb48(unsigned char* out, const unsigned char* in, int32_t pixels, const ChannelTables& t) {
  for (int32_t x = 0; x < pixels; ++x, in += 6, out += 6) {
    out[0] = t.blue[in[0]];
    out[1] = t.blue[in[1]];
    out[2] = t.green[in[2]];
    out[3] = t.green[in[3]];
    out[4] = t.red[in[4]];
    out[5] = t.red[in[5]];
  }
}

bool sameTables(const ChannelTables& t) {
  return t.blue == t.green && t.green == t.red;
}

}  // namespace

void mapTile(BlockHeader& destination, const BlockHeader& source, int32_t bitsPerPixel,
             const ChannelTables& tables) {
  // With one table for every channel, a row is one run of bytes whatever the layout.
  const bool uniform = bitsPerPixel <= 16 || sameTables(tables);
  const int32_t pixelBytes = bitsPerPixel < 9 ? 1 : (bitsPerPixel + 7) / 8;
  forEachRow(destination, source, [&](unsigned char* out, const unsigned char* in, int32_t w) {
    if (uniform) {
      mapBytesThrough(out, in, int64_t{w} * pixelBytes, tables.blue);
    } else if (bitsPerPixel == 24) {
      mapPixelsThrough(out, in, w, tables.blue, tables.green, tables.red);
    } else {
      mapRgb48(out, in, w, tables);
    }
  });
}

}  // namespace tessaly::tools
