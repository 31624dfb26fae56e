// Reading Targa files: the signature test, OpenImage, StartReadImage / StartReadLayer and
// ReadRows, with the run-length decoder.
//
// Every pixel reaches the caller in blue-green-red order: 8-bit files as their indices or grey
// values, 24-bit files as stored, 15- and 16-bit files widened to 3 bytes, 32-bit files with
// their alpha byte when the descriptor says it holds alpha and as 3 bytes otherwise.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "tga_format.h"

namespace tessaly::plugin::tga {
namespace {

// How far the reader reads ahead of the rows it decodes, so that run-length packets of a byte
// or two do not each cost a stream call.
constexpr uint32_t kReadAheadBytes = 64 * 1024;

[[noreturn]] void badData() {
  _zanThrow(PLUG_ERR_BAD_DATA);
}

void readAll(PlugStream* s, void* buffer, int32_t count) {
  if (!plugin::readExact(s, buffer, size_t(count))) badData();
}

void seekTo(PlugStream* s, int64_t position) {
  if (s->seek(s, position, PLUG_SEEK_SET) != position) badData();
}

Header readHeader(PlugStream* s) {
  uint8_t raw[kHeaderBytes];
  readAll(s, raw, kHeaderBytes);
  return parseHeader(raw);
}

// ---- Read-ahead --------------------------------------------------------------------------

// Copies the next count bytes of pixel data into destination; raises when the file ends first.
void take(Instance& in, uint8_t* destination, uint32_t count) {
  while (count > 0) {
    if (in.inputPos == in.inputEnd) {
      const int32_t got =
          in.head.stream->read(in.head.stream, in.input.data(), int32_t(in.input.size()));
      if (got <= 0 || uint32_t(got) > in.input.size()) badData();
      in.inputPos = 0;
      in.inputEnd = uint32_t(got);
    }
    const uint32_t n = std::min(count, in.inputEnd - in.inputPos);
    std::memcpy(destination, in.input.data() + in.inputPos, n);
    in.inputPos += n;
    destination += n;
    count -= n;
  }
}

// ---- Run-length decoding -----------------------------------------------------------------

// Reads the next packet header (and a run's pixel value) into the carry-over state.
void startPacket(Instance& in) {
  uint8_t header;
  take(in, &header, 1);
  RleCarry& c = in.carry;
  c.isRun = (header & 0x80) != 0;
  c.pixelsOwed = (header & 0x7Fu) + 1;
  if (c.isRun) take(in, c.runPixel, uint32_t(in.layout.filePixelBytes));
}

// Decodes one row as stored. A packet that reaches past the row's end leaves the rest of its
// pixels in the carry-over state, and the next row starts by paying them out.
void decodeRunLengthRow(Instance& in, uint8_t* row) {
  const uint32_t width = uint32_t(in.layout.width);
  const uint32_t pixelBytes = uint32_t(in.layout.filePixelBytes);
  RleCarry& c = in.carry;
  for (uint32_t x = 0; x < width;) {
    if (c.pixelsOwed == 0) startPacket(in);
    const uint32_t n = std::min(c.pixelsOwed, width - x);
    uint8_t* out = row + size_t(x) * pixelBytes;
    if (c.isRun) {
      for (uint32_t i = 0; i < n; ++i)
        std::memcpy(out + size_t(i) * pixelBytes, c.runPixel, pixelBytes);
    } else {
      take(in, out, n * pixelBytes);
    }
    c.pixelsOwed -= n;
    x += n;
  }
}

// ---- Rows ----------------------------------------------------------------------------------

void fetchFileRow(Instance& in, uint8_t* row) {
  if (in.layout.runLength)
    decodeRunLengthRow(in, row);
  else
    take(in, row, uint32_t(in.layout.fileRowBytes));
}

// Turns one stored row of 16-bit or alpha-less 32-bit pixels into 3-byte pixels.
void convertRow(const Instance& in, const uint8_t* from, uint8_t* to) {
  const int32_t width = in.layout.width;
  if (in.layout.fileBits == 16) {
    for (int32_t x = 0; x < width; ++x, from += 2, to += 3) {
      const Bgr c = unpack555(plugin::le16(from));
      to[0] = c.blue;
      to[1] = c.green;
      to[2] = c.red;
    }
  } else {
    for (int32_t x = 0; x < width; ++x, from += 4, to += 3) std::memcpy(to, from, 3);
  }
}

void deliverRow(Instance& in, uint8_t* destination) {
  if (in.layout.callerPixelBytes == in.layout.filePixelBytes) {
    fetchFileRow(in, destination);
  } else {
    fetchFileRow(in, in.fileRow.data());
    convertRow(in, in.fileRow.data(), destination);
  }
}

// ---- Opening -------------------------------------------------------------------------------

// Refuses the headers that pass the signature test but describe nothing this reader can
// deliver: an empty image, and colour-mapped or grey pixels wider than 8 bits, whose values
// would otherwise be taken for 16-bit colours.
void checkReadable(const Header& h) {
  if (!passesSignature(h) || h.width == 0 || h.height == 0) badData();
  if (baseType(h) != kTypeTrueColour && h.pixelDepth != 8) badData();
}

bool isGrey(const Header& h) {
  return baseType(h) == kTypeGrey;
}

// Reads the colour map of an 8-bit indexed image into the palette, from slot first-index on,
// and returns the palette count. A map that runs past the 256 slots is refused.
int32_t readPalette(PlugStream* s, const Header& h, PlugPaletteEntry* palette) {
  if (h.colourMapType != kColourMapIncluded) return 0;
  const int32_t count = h.firstMapEntry + h.mapLength;
  const uint32_t entryBytes = (h.mapEntryBits + 7u) / 8u;
  if (count > kPaletteSlots || (h.mapEntryBits != 15 && h.mapEntryBits != 16 &&
                                h.mapEntryBits != 24 && h.mapEntryBits != 32))
    badData();
  uint8_t map[kPaletteSlots * 4];
  seekTo(s, kHeaderBytes + h.idLength);
  readAll(s, map, int32_t(colourMapBytes(h)));
  for (int32_t i = 0; i < h.mapLength; ++i) {
    const uint8_t* e = map + i * entryBytes;
    PlugPaletteEntry& slot = palette[h.firstMapEntry + i];
    if (entryBytes == 2) {
      const Bgr c = unpack555(plugin::le16(e));
      slot = PlugPaletteEntry{c.blue, c.green, c.red, 0};
    } else {
      slot = PlugPaletteEntry{e[0], e[1], e[2], 0};
    }
  }
  return count;
}

Layout layoutOf(const Header& h, bool keepAlpha) {
  Layout l{};
  l.width = h.width;
  l.height = h.height;
  l.fileBits = h.pixelDepth == 15 ? 16 : h.pixelDepth;
  l.filePixelBytes = l.fileBits / 8;
  l.fileRowBytes = (l.width * l.fileBits + 7) / 8;
  l.callerPixelBytes = h.pixelDepth == 8 ? 1 : keepAlpha ? 4 : 3;
  l.runLength = isRunLength(h);
  return l;
}

ImageInfo describe(PlugStream* s, const Header& h, bool keepAlpha) {
  ImageInfo info{};
  info.size = sizeof info;
  info.rowOrder = (h.descriptor & kDescriptorTopLeft) ? PLUG_ROWS_TOP_DOWN : PLUG_ROWS_BOTTOM_UP;
  info.width = h.width;
  info.height = h.height;
  if (h.pixelDepth > 8) {
    info.colorModel = PLUG_COLOR_BGR;
    info.bits = keepAlpha ? 32 : 24;
    info.layerCount = keepAlpha ? 1 : 0;  // the image carries its own transparency
  } else if (isGrey(h)) {
    info.colorModel = PLUG_COLOR_GREY;
    info.bits = 8;
  } else {
    info.colorModel = PLUG_COLOR_INDEXED;
    info.bits = 8;
    info.hasPalette = 1;
    info.paletteCount = readPalette(s, h, info.palette);
  }
  return info;
}

// Makes the buffers for reading rows and puts the stream and the decoder at the first row.
void prepareRows(Instance& in, const Header& h) {
  in.input.require(kReadAheadBytes);
  in.fileRow.require(uint32_t(in.layout.fileRowBytes));
  seekTo(in.head.stream, int64_t{kHeaderBytes} + h.idLength + colourMapBytes(h));
  in.inputPos = in.inputEnd = 0;
  in.carry = RleCarry{};
  in.rowsDone = 0;
}

}  // namespace

// ---- Table operations ----------------------------------------------------------------------

int32_t openImage(PlugInstance* p, ImageInfo* info) {
  Instance& in = of(p);
  in.head.broken = false;
  in.opened = false;
  return plugin::guarded(in.head, [&] {
    if (in.head.forWriting) badData();
    seekTo(in.head.stream, 0);
    const Header h = readHeader(in.head.stream);
    checkReadable(h);
    in.keepAlpha = h.pixelDepth == 32 && (h.descriptor & kDescriptorAlphaBits) != 0;
    in.layout = layoutOf(h, in.keepAlpha);
    in.info = describe(in.head.stream, h, in.keepAlpha);
    prepareRows(in, h);
    in.opened = true;
    plugCopyOut(info, &in.info, sizeof in.info);
    return 1;
  });
}

// StartReadImage and StartReadLayer: the one image as a layer. Row bytes are what ReadRows
// delivers per row.
int32_t startReadImage(PlugInstance* p, LayerInfo* info) {
  Instance& in = of(p);
  return plugin::guarded(in.head, [&] {
    if (!in.opened) badData();
    LayerInfo own{};
    own.size = sizeof own;
    own.kind = 1;
    own.planes = 1;
    own.hasAlpha = in.keepAlpha ? 1 : 0;
    own.hasPalette = in.info.hasPalette;
    own.paletteCount = in.info.paletteCount;
    std::memcpy(own.palette, in.info.palette, sizeof own.palette);
    own.right = in.layout.width;
    own.bottom = in.layout.height;
    own.rowBytes = in.layout.width * in.layout.callerPixelBytes;
    own.rowOrder = in.info.rowOrder;
    own.visible = 1;
    own.opacity = 255;
    plugCopyOut(info, &own, sizeof own);
    return 1;
  });
}

// Delivers the next rows (at most those left) at the caller's stride; returns how many.
int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  return plugin::guarded(in.head, [&] {
    if (!in.opened || in.head.broken || rows <= 0 || planes == nullptr || planes[0] == nullptr)
      badData();
    const int32_t count = std::min(rows, in.layout.height - in.rowsDone);
    if (count <= 0) badData();
    for (int32_t i = 0; i < count; ++i) deliverRow(in, planes[0] + ptrdiff_t{i} * stride);
    in.rowsDone += count;
    return count;
  });
}

bool probe(PlugStream* s) {
  const int64_t start = plugin::tell(s);
  if (start < 0) return false;
  uint8_t raw[kHeaderBytes];
  bool ok = s->read(s, raw, kHeaderBytes) == kHeaderBytes;
  if (ok) {
    const Header h = parseHeader(raw);
    // The stream must reach past the image ID: shorter ones cannot be a Targa file.
    ok = passesSignature(h) && s->seek(s, 0, PLUG_SEEK_END) >= start + kHeaderBytes + h.idLength;
  }
  s->seek(s, start, PLUG_SEEK_SET);
  return ok;
}

}  // namespace tessaly::plugin::tga
