#include "stitch_pieces.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "pixel_block.h"
#include "zanFileIO.h"

namespace tessaly::app {

using stitch::client::allocatePixelArray;
using stitch::client::freePixelArray;
using stitch::client::rowBytesFor;

namespace {

// Rows moved per step when a turn reads the unturned piece back from the cache.
constexpr int kTurnBandRows = 64;

bool isMemoryCode(int32_t code) {
  return code == PLUG_ERR_NO_MEMORY || code == PLUG_ERR_TOOLKIT_MEMORY;
}

std::string temporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder && *folder ? folder : "/tmp";
}

void loadPlugIns() {
  // Loads the program's plug-in folder once; later calls find the modules already loaded.
  static const int32_t loaded = _zanIOLoadPlugsEx(nullptr);
  (void)loaded;
}

}  // namespace

long decodePicture(const std::string& path, tagPixelArray** image) {
  loadPlugIns();
  zanIOBGRInfo info{};
  info.size = sizeof info;
  int32_t code = 0;
  zanIOReader* reader = zanIOOpenBGR(path.c_str(), &info, &code);
  if (reader == nullptr) return isMemoryCode(code) ? kLoadNoMemory : kLoadUnreadable;
  tagPixelArray* decoded = allocatePixelArray(info.width, info.height);
  if (decoded == nullptr) {
    zanIOCloseBGR(reader);
    return kLoadNoMemory;
  }
  code = zanIOReadBGR(reader, decoded->bits, decoded->bytesPerLine);
  zanIOCloseBGR(reader);
  if (code != 0) {
    freePixelArray(decoded);
    return isMemoryCode(code) ? kLoadNoMemory : kLoadUnreadable;
  }
  *image = decoded;
  return 0;
}

void turnRowsInto(const unsigned char* rows, int64_t stride, int firstRow, int count, int width,
                  int height, int turns, tagPixelArray& target) {
  for (int i = 0; i < count; ++i) {
    const int y = firstRow + i;
    const unsigned char* source = rows + stride * i;
    for (int x = 0; x < width; ++x) {
      // One left turn takes input row y, column x to output row width - 1 - x, column y.
      int row = y, column = x;
      if (turns == 1) row = width - 1 - x, column = y;
      if (turns == 2) row = height - 1 - y, column = width - 1 - x;
      if (turns == 3) row = x, column = height - 1 - y;
      std::memcpy(target.bits + int64_t(row) * target.bytesPerLine + 3 * int64_t(column),
                  source + 3 * x, 3);
    }
  }
}

PieceFeeder::PieceFeeder(std::vector<StitchEntry> entries)
    : entries_(std::move(entries)), decodes_(entries_.size(), 0) {
  // Without a cache file every load decodes again: slower, never wrong.
  cache_.open(temporaryFolder());
}

long PieceFeeder::load(const char* name, tagPixelArray** image) {
  if (name == nullptr || image == nullptr) return kLoadBadArguments;
  *image = nullptr;
  // The engine hands back the names it was given. Paths are case-sensitive here, so only the
  // exact name is the same piece.
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].path == name) return loadPiece(int(i), image);
  }
  return decodePicture(name, image);
}

void PieceFeeder::release(tagPixelArray** image) {
  if (image == nullptr) return;
  freePixelArray(*image);
  *image = nullptr;
}

long PieceFeeder::loadPiece(int index, tagPixelArray** image) {
  if (tagPixelArray* cached = cache_.mapImage(index)) {
    *image = cached;
    return 0;
  }
  tagPixelArray* decoded = nullptr;
  if (const long status = decodePicture(entries_[size_t(index)].path, &decoded); status != 0) {
    return status;
  }
  ++decodes_[size_t(index)];
  const int turns = ((entries_[size_t(index)].rotation / 90) % 4 + 4) % 4;
  if (turns != 0) {
    if (const long status = turnThroughCache(index, turns, decoded); status != 0) return status;
  } else {
    // A cache that cannot take the piece only costs a decode next time.
    cache_.store(index, *decoded);
  }
  *image = decoded;
  return 0;
}

// Parks the unturned piece in the cache, lets it go, and builds the turned piece from the cache
// band by band. Without a usable cache the turn is made from memory instead.
long PieceFeeder::turnThroughCache(int index, int turns, tagPixelArray*& image) {
  const tagPixelArray source = *image;
  const bool quarter = turns % 2 == 1;
  const int width = quarter ? source.height : source.width;
  const int height = quarter ? source.width : source.height;
  const int64_t sourceBytes = int64_t(source.bytesPerLine) * source.height;
  const int64_t turnedBytes = rowBytesFor(width) * height;
  const bool parked =
      cache_.reserve(index, std::max(sourceBytes, turnedBytes)) && cache_.store(index, source);
  if (parked) freePixelArray(image), image = nullptr;
  tagPixelArray* turned = allocatePixelArray(width, height);
  if (turned == nullptr) {
    freePixelArray(image);
    image = nullptr;
    cache_.forget(index);
    return kLoadNoMemory;
  }
  if (!parked) {
    turnRowsInto(source.bits, source.bytesPerLine, 0, source.height, source.width, source.height,
                 turns, *turned);
    freePixelArray(image);
    image = turned;
    return 0;
  }
  std::vector<unsigned char> band(size_t(source.bytesPerLine) * kTurnBandRows);
  for (int row = 0; row < source.height; row += kTurnBandRows) {
    const int rows = std::min(kTurnBandRows, source.height - row);
    if (!cache_.readRows(index, row, rows, band.data())) {
      cache_.forget(index);
      freePixelArray(turned);
      return kLoadNoMemory;
    }
    turnRowsInto(band.data(), source.bytesPerLine, row, rows, source.width, source.height, turns,
                 *turned);
  }
  cache_.store(index, *turned);
  image = turned;
  return 0;
}

}  // namespace tessaly::app
