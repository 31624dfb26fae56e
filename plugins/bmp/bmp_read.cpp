// Reading bitmaps: 1-, 4- and 8-bit files (uncompressed or run-length encoded) are delivered as
// 8-bit palette indices, 16-, 24- and 32-bit files as blue-green-red; rows in file order.
#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "bmp_format.h"

namespace tessaly::plugin::bmp {
namespace {

constexpr bool knownInfoSize(uint32_t size) {
  return size == kCoreHeaderBytes || size == 16 || size == kInfoHeaderBytes || size == 52 ||
         size == 56 || size == 64 || size == 108 || size == kMaxInfoHeaderBytes;
}

bool knownLayout(int32_t bits, uint32_t compression) {
  switch (compression) {
    case kRgb:
      return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case kRle8:
      return bits == 8;
    case kRle4:
      return bits == 4;
    case kBitFields:
    case kAlphaBitFields:
      return bits == 16 || bits == 32;
    default:
      return false;
  }
}

// The masks a 16- or 32-bit file uses when it states none.
void defaultMasks(Header& h) {
  if (h.bits == 16) {
    h.masks[0] = 0x7C00;
    h.masks[1] = 0x03E0;
    h.masks[2] = 0x001F;
  } else {
    h.masks[0] = 0xFF0000;
    h.masks[1] = 0x00FF00;
    h.masks[2] = 0x0000FF;
  }
}

// Reads the info header (and the masks that follow a 40-byte one); the stream stands after the
// file header. Fills everything but the palette.
bool readInfoHeader(PlugStream* s, Header& h, uint32_t& infoSize) {
  uint8_t b[kMaxInfoHeaderBytes + 16] = {};
  if (!plugin::readExact(s, b, 4)) return false;
  infoSize = plugin::le32(b);
  if (!knownInfoSize(infoSize) || !plugin::readExact(s, b + 4, infoSize - 4)) return false;
  int64_t width, height;
  if (infoSize == kCoreHeaderBytes) {
    width = plugin::le16(b + 4);
    height = int16_t(plugin::le16(b + 6));
    h.bits = plugin::le16(b + 10);
  } else {
    width = int32_t(plugin::le32(b + 4));
    height = int32_t(plugin::le32(b + 8));
    h.bits = plugin::le16(b + 14);
    h.compression = infoSize >= 20 ? plugin::le32(b + 16) : kRgb;
    if (infoSize >= 32) {
      h.xPixelsPerMetre = plugin::le32(b + 24);
      h.yPixelsPerMetre = plugin::le32(b + 28);
    }
    h.paletteCount =
        infoSize >= 36 ? int32_t(std::min<uint32_t>(plugin::le32(b + 32), 0x10000)) : 0;
  }
  h.topDown = height < 0;
  h.width = int32_t(width);
  h.height = int32_t(height < 0 ? -height : height);
  if (!plugin::sizeAllowed(width, height < 0 ? -height : height) ||
      !knownLayout(h.bits, h.compression) ||
      (h.topDown && h.compression != kRgb && h.compression != kBitFields))
    return false;
  if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
    if (infoSize == kInfoHeaderBytes) {  // the masks follow the header
      const uint32_t extra = h.compression == kBitFields ? 12 : 16;
      if (!plugin::readExact(s, b + 40, extra)) return false;
      infoSize += extra;
    } else if (infoSize < 52) {
      return false;
    }
    for (int c = 0; c < 3; ++c) h.masks[c] = plugin::le32(b + 40 + 4 * c);
  } else if (h.bits > 8) {
    defaultMasks(h);
  }
  return true;
}

// Reads the palette that follows the headers: entries of 3 bytes after a core header, else 4.
bool readPalette(PlugStream* s, Header& h, bool core) {
  if (h.bits > 8) {
    h.paletteCount = 0;  // a palette of a true-colour file is only a display hint
    return true;
  }
  const int32_t most = 1 << h.bits;
  if (h.paletteCount == 0 || core) h.paletteCount = most;
  if (h.paletteCount > most) return false;
  const int32_t entryBytes = core ? 3 : 4;
  uint8_t raw[256 * 4];
  if (!plugin::readExact(s, raw, size_t(h.paletteCount) * entryBytes)) return false;
  for (int32_t i = 0; i < h.paletteCount; ++i) {
    const uint8_t* e = raw + i * entryBytes;
    h.palette[i] = {e[0], e[1], e[2], 0};
  }
  return true;
}

Channel channelOf(uint32_t mask) {
  if (mask == 0) return {};
  const auto shift = uint32_t(std::countr_zero(mask));
  return {shift, mask >> shift};
}

void describe(Instance& in) {
  const Header& h = in.file;
  plugin::Delivery& d = in.out;
  d.width = h.width;
  d.height = h.height;
  d.rowOrder = h.topDown ? PLUG_ROWS_TOP_DOWN : PLUG_ROWS_BOTTOM_UP;
  if (h.bits <= 8) {
    d.colorModel = PLUG_COLOR_INDEXED;
    d.bits = 8;
    d.rowBytes = h.width;
    d.paletteCount = h.paletteCount;
    std::memcpy(d.palette, h.palette, sizeof d.palette);
  } else {
    d.colorModel = PLUG_COLOR_BGR;
    d.bits = 24;
    d.rowBytes = h.width * 3;
  }
  for (int c = 0; c < 3; ++c) in.channels[c] = channelOf(h.masks[c]);
  in.fileRowBytes = int32_t(storedRowBytes(h.width, h.bits));
}

// Turns one stored 16- or 32-bit row into blue-green-red through the channel masks.
void unmaskRow(const Instance& in, const uint8_t* stored, uint8_t* out) {
  const int32_t bytes = in.file.bits / 8;
  for (int32_t x = 0; x < in.file.width; ++x, stored += bytes, out += 3) {
    const uint32_t pixel = bytes == 2 ? plugin::le16(stored) : plugin::le32(stored);
    for (int c = 0; c < 3; ++c) {
      const Channel& ch = in.channels[c];
      const uint32_t v = ch.max == 0 ? 0 : (pixel >> ch.shift) & ch.max;
      out[2 - c] = uint8_t(ch.max == 0 ? 0 : (uint64_t{v} * 255 + ch.max / 2) / ch.max);
    }
  }
}

bool isPlain32(const Header& h) {
  return h.bits == 32 && h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF;
}

// One uncompressed row in the delivered layout.
bool readStoredRow(Instance& in, uint8_t* out) {
  PlugStream* s = in.head.stream;
  const Header& h = in.file;
  if (h.bits == 24) {  // straight into the caller's row, then over the padding
    uint8_t pad[3];
    const int32_t data = h.width * 3;
    return plugin::readExact(s, out, size_t(data)) &&
           plugin::readExact(s, pad, size_t(in.fileRowBytes - data));
  }
  uint8_t* stored = in.row.data();
  if (!plugin::readExact(s, stored, size_t(in.fileRowBytes))) return false;
  if (h.bits <= 8) {
    if (h.bits == 8)
      std::memcpy(out, stored, size_t(h.width));
    else
      plugin::unpackSamples(stored, out, h.width, h.bits, false);
  } else if (isPlain32(h)) {
    for (int32_t x = 0; x < h.width; ++x) std::memcpy(out + 3 * x, stored + 4 * x, 3);
  } else {
    unmaskRow(in, stored, out);
  }
  return true;
}

// Puts count pixels of a run at x: one index (8-bit) or two alternating ones (4-bit).
void putRun(uint8_t* out, int32_t x, int32_t count, uint8_t value, int32_t bits) {
  if (bits == 8) {
    std::memset(out + x, value, size_t(count));
    return;
  }
  for (int32_t k = 0; k < count; ++k) out[x + k] = (k & 1) ? (value & 0x0F) : (value >> 4);
}

// Decodes one row of run-length data into indices. Runs and literal stretches must stay inside
// the row and jumps inside the image: anything else is damaged data.
bool decodeRleRow(Instance& in, uint8_t* out) {
  PlugStream* s = in.head.stream;
  const int32_t width = in.file.width, bits = in.file.bits;
  RleState& st = in.rle;
  std::memset(out, 0, size_t(width));  // pixels the data skips keep index 0
  if (st.ended) return true;
  if (st.emptyRows > 0) {
    --st.emptyRows;
    return true;
  }
  int32_t x = std::exchange(st.startColumn, 0);
  for (;;) {
    uint8_t pair[2];
    if (!plugin::readExact(s, pair, 2)) return false;
    if (pair[0] > 0) {  // a run of pair[0] pixels
      if (x + pair[0] > width) return false;
      putRun(out, x, pair[0], pair[1], bits);
      x += pair[0];
      continue;
    }
    if (pair[1] == 0) return true;  // end of row
    if (pair[1] == 1) {             // end of bitmap
      st.ended = true;
      return true;
    }
    if (pair[1] == 2) {  // jump right and down
      uint8_t jump[2];
      if (!plugin::readExact(s, jump, 2)) return false;
      x += jump[0];
      if (x > width || in.rowsRead + int32_t(jump[1]) >= in.file.height) return false;
      if (jump[1] > 0) {
        st.emptyRows = jump[1] - 1;
        st.startColumn = x;
        return true;
      }
      continue;
    }
    const int32_t count = pair[1];  // a literal stretch, padded to an even byte count
    const int32_t bytes = bits == 8 ? count : (count + 1) / 2;
    uint8_t literal[256];
    if (x + count > width || !plugin::readExact(s, literal, size_t(bytes + (bytes & 1))))
      return false;
    if (bits == 8)
      std::memcpy(out + x, literal, size_t(count));
    else
      plugin::unpackSamples(literal, out + x, count, 4, false);
    x += count;
  }
}

}  // namespace

bool looksLikeBmp(PlugStream* s) {
  uint8_t b[kFileHeaderBytes + 4];
  return plugin::peek(s, b, sizeof b) == int32_t(sizeof b) && b[0] == 'B' && b[1] == 'M' &&
         knownInfoSize(plugin::le32(b + kFileHeaderBytes));
}

int32_t openImage(PlugInstance* p, ImageInfo* info) {
  Instance& in = of(p);
  return plugin::guarded(in.head, [&] {
    PlugStream* s = in.head.stream;
    uint8_t fileHeader[kFileHeaderBytes];
    uint32_t infoSize = 0;
    in.file = Header{};
    if (s->seek(s, 0, PLUG_SEEK_SET) != 0 || !plugin::readExact(s, fileHeader, sizeof fileHeader) ||
        fileHeader[0] != 'B' || fileHeader[1] != 'M' || !readInfoHeader(s, in.file, infoSize) ||
        !readPalette(s, in.file, infoSize == kCoreHeaderBytes))
      return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
    in.file.dataOffset = plugin::le32(fileHeader + 10);
    if (in.file.dataOffset < uint32_t(kFileHeaderBytes) + infoSize)
      return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
    describe(in);
    in.head.resolution = {plugin::dpiFromPixelsPerMetre(in.file.xPixelsPerMetre),
                          plugin::dpiFromPixelsPerMetre(in.file.yPixelsPerMetre)};
    plugin::copyImageInfo(in.out, info);
    return int32_t{1};
  });
}

int32_t startReadImage(PlugInstance* p, LayerInfo* info) {
  Instance& in = of(p);
  return plugin::guarded(in.head, [&] {
    PlugStream* s = in.head.stream;
    if (in.out.width == 0 || s->seek(s, in.file.dataOffset, PLUG_SEEK_SET) != in.file.dataOffset)
      return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
    in.row.require(uint64_t(in.fileRowBytes));
    in.rowsRead = 0;
    in.rle = RleState{};
    plugin::copyLayerInfo(in.out, info);
    return int32_t{1};
  });
}

int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  if (rows <= 0 || planes == nullptr || in.row.data() == nullptr ||
      rows > in.file.height - in.rowsRead)
    return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
  const bool rle = in.file.compression == kRle8 || in.file.compression == kRle4;
  for (int32_t i = 0; i < rows; ++i) {
    uint8_t* out = plugin::rowAt(planes, i, stride);
    if (!(rle ? decodeRleRow(in, out) : readStoredRow(in, out)))
      return plugin::fail(in.head, PLUG_ERR_BAD_DATA);
    ++in.rowsRead;
  }
  return rows;
}

}  // namespace tessaly::plugin::bmp
