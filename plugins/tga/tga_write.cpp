// Writing Targa files: CreateImage, StartWriteImage and WriteRows, with the run-length encoder.
//
// The writer makes bottom-left-origin files without image ID: 8-bit indexed (with a 24-bit
// colour map) or grey from 8-bit sources, and 16-, 24- or 32-bit true colour from 24-bit
// blue-green-red sources, each optionally run-length encoded row by row. Rows come bottom row
// first. Every stream write is checked: a stream that takes fewer bytes than it was given fails
// the operation with PLUG_ERR_SHORT_WRITE, so a full disk never passes for a written file.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "tga_format.h"

namespace tessaly::plugin::tga {
namespace {

// Pixels per run-length packet at most: the header byte counts them in 7 bits.
constexpr uint32_t kMaxPacketPixels = 128;
constexpr uint8_t kRunFlag = 0x80;

[[noreturn]] void refuse() {
  _zanThrow(PLUG_ERR_BAD_DATA);
}

void writeAll(PlugStream* s, const void* data, uint32_t count) {
  if (!plugin::writeExact(s, data, count)) _zanThrow(PLUG_ERR_SHORT_WRITE);
}

// The caller's request as far as its size word says it goes; the fields beyond stay 0, and the
// options pointer counts only when the caller's record holds all of it.
CreateRequest copyIn(const CreateRequest* request) {
  CreateRequest own{};
  if (request == nullptr) return own;
  const int32_t count = std::clamp<int32_t>(request->size, 0, int32_t(sizeof own));
  std::memcpy(&own, request, size_t(count));
  if (size_t(count) < offsetof(CreateRequest, options) + sizeof own.options) own.options = nullptr;
  return own;
}

// What an 8- or 24-bit source becomes. An 8-bit source of another colour model than indexed or
// grey is taken as indexed when it brings a palette and as grey otherwise, so that a caller
// that names its colour kind in a code of its own still gets the file its pixels mean.
Kind kindOf(const CreateRequest& r) {
  if (r.bits == 24) return Kind::TrueColour;
  if (r.bits != 8) refuse();
  if (r.colorModel == PLUG_COLOR_GREY) return Kind::Grey;
  if (r.colorModel == PLUG_COLOR_INDEXED || r.hasPalette) return Kind::Indexed;
  return Kind::Grey;
}

// Bits per stored pixel: 8 for 8-bit sources; for 24-bit ones 16 or 32 when the options ask
// for them, else 24.
int32_t fileBitsFor(Kind kind, const SaveOptions* options) {
  if (kind != Kind::TrueColour) return 8;
  if (options != nullptr && (options->main == 16 || options->main == 32)) return options->main;
  return 24;
}

uint8_t imageTypeOf(const Instance& in) {
  const uint8_t base = in.kind == Kind::Indexed      ? kTypeIndexed
                       : in.kind == Kind::TrueColour ? kTypeTrueColour
                                                     : kTypeGrey;
  return in.layout.runLength ? uint8_t(base + kTypeRleOffset) : base;
}

void writeHeaderAndColourMap(Instance& in) {
  const bool indexed = in.kind == Kind::Indexed;
  Header h{};
  h.colourMapType = indexed && in.paletteCount > 0 ? kColourMapIncluded : 0;
  h.imageType = imageTypeOf(in);
  h.mapLength = indexed ? uint16_t(in.paletteCount) : 0;
  h.mapEntryBits = indexed ? 24 : 0;
  h.yOrigin = uint16_t(in.layout.height - 1);
  h.width = uint16_t(in.layout.width);
  h.height = uint16_t(in.layout.height);
  h.pixelDepth = uint8_t(in.layout.fileBits);
  h.descriptor = in.layout.fileBits == 32 ? kDescriptorAlphaBits : 0;
  uint8_t raw[kHeaderBytes];
  serializeHeader(h, raw);
  writeAll(in.head.stream, raw, kHeaderBytes);

  if (h.colourMapType != kColourMapIncluded) return;
  uint8_t map[kPaletteSlots * 3];
  for (int32_t i = 0; i < in.paletteCount; ++i) {
    map[3 * i] = in.palette[i].blue;
    map[3 * i + 1] = in.palette[i].green;
    map[3 * i + 2] = in.palette[i].red;
  }
  writeAll(in.head.stream, map, uint32_t(3 * in.paletteCount));
}

// ---- Rows ----------------------------------------------------------------------------------

// The source row as stored pixels: 8- and 24-bit rows are written as given, 16- and 32-bit
// ones are converted into the instance's row buffer.
const uint8_t* toFileRow(Instance& in, const uint8_t* source) {
  const int32_t width = in.layout.width;
  uint8_t* out = in.fileRow.data();
  if (in.layout.fileBits == 16) {
    for (int32_t x = 0; x < width; ++x, source += 3, out += 2)
      plugin::put16(out, pack555(source[0], source[1], source[2]));
  } else if (in.layout.fileBits == 32) {
    for (int32_t x = 0; x < width; ++x, source += 3, out += 4) {
      std::memcpy(out, source, 3);
      out[3] = 255;
    }
  } else {
    return source;
  }
  return in.fileRow.data();
}

bool samePixel(const uint8_t* row, uint32_t a, uint32_t b, uint32_t pixelBytes) {
  return std::memcmp(row + size_t(a) * pixelBytes, row + size_t(b) * pixelBytes, pixelBytes) == 0;
}

// Encodes one row by itself with a greedy rule: two or more equal neighbours make a run packet,
// everything else goes into literal packets; no packet holds more than 128 pixels. Returns the
// bytes written to out. Every packet holds at least one pixel and adds one header byte, so out
// needs room for at most twice the row's bytes.
uint32_t encodeRow(const uint8_t* row, uint32_t width, uint32_t pixelBytes, uint8_t* out) {
  uint8_t* o = out;
  for (uint32_t x = 0; x < width;) {
    uint32_t run = 1;
    while (x + run < width && run < kMaxPacketPixels && samePixel(row, x, x + run, pixelBytes))
      ++run;
    if (run >= 2) {
      *o++ = uint8_t(kRunFlag | (run - 1));
      std::memcpy(o, row + size_t(x) * pixelBytes, pixelBytes);
      o += pixelBytes;
      x += run;
      continue;
    }
    // A literal packet ends where the next two pixels are equal, since they start a run.
    uint32_t count = 1;
    while (x + count < width && count < kMaxPacketPixels &&
           !(x + count + 1 < width && samePixel(row, x + count, x + count + 1, pixelBytes)))
      ++count;
    *o++ = uint8_t(count - 1);
    std::memcpy(o, row + size_t(x) * pixelBytes, size_t(count) * pixelBytes);
    o += size_t(count) * pixelBytes;
    x += count;
  }
  return uint32_t(o - out);
}

void writeRow(Instance& in, const uint8_t* source) {
  const uint8_t* row = toFileRow(in, source);
  const Layout& l = in.layout;
  if (l.runLength) {
    const uint32_t bytes =
        encodeRow(row, uint32_t(l.width), uint32_t(l.filePixelBytes), in.encoded.data());
    writeAll(in.head.stream, in.encoded.data(), bytes);
  } else {
    writeAll(in.head.stream, row, uint32_t(l.fileRowBytes));
  }
}

}  // namespace

// ---- Table operations ----------------------------------------------------------------------

// Takes the picture's size, pixel kind, palette and save options; the file is written only
// from StartWriteImage on.
int32_t createImage(PlugInstance* p, const CreateRequest* request, RowLayout* layout) {
  Instance& in = of(p);
  return plugin::guarded(in.head, [&] {
    if (!in.head.forWriting || in.started) refuse();
    const CreateRequest r = copyIn(request);
    if (r.width < 1 || r.width > kMaxDimension || r.height < 1 || r.height > kMaxDimension)
      refuse();
    in.kind = kindOf(r);
    in.paletteCount = 0;
    if (in.kind == Kind::Indexed && r.hasPalette) {
      if (r.paletteCount < 0 || r.paletteCount > kPaletteSlots) refuse();
      in.paletteCount = r.paletteCount;
      std::memcpy(in.palette, r.palette, sizeof in.palette);
    }
    in.layout = Layout{};
    in.layout.width = r.width;
    in.layout.height = r.height;
    in.layout.fileBits = fileBitsFor(in.kind, r.options);
    in.layout.runLength = r.options != nullptr && r.options->second != 0;
    in.created = true;

    // The row bytes are fixed only when writing starts.
    plugin::copyRowLayout(layout, PLUG_ROWS_BOTTOM_UP, 0);
    return 1;
  });
}

int32_t createLayer(PlugInstance*, const LayerInfo*, RowLayout*) {
  return 1;
}
int32_t addInfo(PlugInstance*, int32_t, const void*, int32_t) {
  return 1;
}

// Writes the header and the colour map and makes the row buffers.
int32_t startWriteImage(PlugInstance* p) {
  Instance& in = of(p);
  return plugin::guarded(in.head, [&] {
    if (!in.created || in.started) refuse();
    Layout& l = in.layout;
    l.filePixelBytes = l.fileBits / 8;
    l.fileRowBytes = l.width * l.filePixelBytes;
    in.fileRow.require(uint32_t(l.fileRowBytes));
    if (l.runLength) in.encoded.require(3 * uint32_t(l.fileRowBytes));
    in.started = true;
    in.rowsDone = 0;
    writeHeaderAndColourMap(in);
    return 1;
  });
}

// Takes the next rows (bottom row first) at the caller's stride; more rows than the image has
// left are refused.
int32_t writeRows(PlugInstance* p, int32_t rows, const uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  return plugin::guarded(in.head, [&] {
    if (!in.started || in.head.broken || rows <= 0 || planes == nullptr || planes[0] == nullptr ||
        rows > in.layout.height - in.rowsDone)
      refuse();
    for (int32_t i = 0; i < rows; ++i) writeRow(in, planes[0] + ptrdiff_t{i} * stride);
    in.rowsDone += rows;
    return rows;
  });
}

}  // namespace tessaly::plugin::tga
