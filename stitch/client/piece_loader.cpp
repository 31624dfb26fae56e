#include "piece_loader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "pixel_block.h"
#include "quarter_turn.h"
#include "zanFileIO.h"

namespace tessaly::stitch::client {

using cli::turnBandInto;
using cli::turnedSize;
using cli::turnHalfInPlace;

namespace {

// Rows moved per step when a turn reads the unturned piece back from the cache.
constexpr int32_t kTurnBandRows = 64;

bool isMemoryCode(int32_t code) {
  return code == PLUG_ERR_NO_MEMORY || code == PLUG_ERR_TOOLKIT_MEMORY;
}

std::string warningOf(zanIOReader& reader) {
  const int32_t length = zanIOReaderWarning(&reader, nullptr, 0);
  if (length <= 0) return {};
  std::string text(size_t(length) + 1, '\0');
  zanIOReaderWarning(&reader, text.data(), int32_t(text.size()));
  text.resize(size_t(length));
  return text;
}

long decodeFailure(int32_t code, const std::string& what, std::string* failure) {
  if (failure) *failure = what;
  return isMemoryCode(code) ? kLoadNoMemory : kLoadUnreadable;
}

}  // namespace

long decodePixelArray(const std::string& path, tagPixelArray** image, std::string* failure,
                      std::string* readerWarning) {
  zanIOBGRInfo info{};
  info.size = sizeof info;
  int32_t code = 0;
  zanIOReader* reader = zanIOOpenBGR(path.c_str(), &info, &code);
  if (reader == nullptr) {
    return decodeFailure(code, "cannot read '" + path + "': " + zanIOErrorText(code), failure);
  }
  tagPixelArray* decoded = allocatePixelArray(info.width, info.height);
  if (decoded == nullptr) {
    zanIOCloseBGR(reader);
    return decodeFailure(PLUG_ERR_NO_MEMORY, "not enough memory to load '" + path + "'", failure);
  }
  code = zanIOReadBGR(reader, decoded->bits, decoded->bytesPerLine);
  if (code == 0 && readerWarning) *readerWarning = warningOf(*reader);
  zanIOCloseBGR(reader);
  if (code != 0) {
    freePixelArray(decoded);
    return decodeFailure(code, "cannot read '" + path + "': " + zanIOErrorText(code), failure);
  }
  *image = decoded;
  return 0;
}

PieceLoader::PieceLoader(std::vector<PieceSource> pieces, PieceCache& cache)
    : pieces_(std::move(pieces)),
      cache_(cache),
      decodes_(pieces_.size(), 0),
      cacheReads_(pieces_.size(), 0) {}

long PieceLoader::load(const char* name, tagPixelArray** image) {
  if (name == nullptr || image == nullptr) return kLoadBadArguments;
  *image = nullptr;
  // The engine hands back the names it was given; file names are case-sensitive here, so only
  // the exact name is the same piece.
  for (size_t i = 0; i < pieces_.size(); ++i) {
    if (pieces_[i].path == name) return loadPiece(static_cast<int>(i), image);
  }
  return decodeFile(name, image);
}

void PieceLoader::release(tagPixelArray** image) {
  if (image == nullptr) return;
  freePixelArray(*image);
  *image = nullptr;
}

long PieceLoader::loadPiece(int index, tagPixelArray** image) {
  if (readCached(index, image) == 0) return 0;
  const PieceSource& piece = pieces_[size_t(index)];
  tagPixelArray* decoded = nullptr;
  if (const long status = decodeFile(piece.path, &decoded); status != 0) return status;
  ++decodes_[size_t(index)];
  const int turns = ((piece.rotation / 90) % 4 + 4) % 4;
  if (turns == 1 || turns == 3) {
    if (const long status = turnThroughCache(index, turns, decoded); status != 0) return status;
  } else {
    if (turns == 2)
      turnHalfInPlace({decoded->bits, decoded->bytesPerLine}, decoded->width, decoded->height);
    // A cache that cannot take the piece only costs a decode next time.
    cache_.store(index, *decoded);
  }
  *image = decoded;
  return 0;
}

long PieceLoader::readCached(int index, tagPixelArray** image) {
  tagPixelArray* cached = cache_.mapImage(index);
  if (cached == nullptr) return kLoadUnreadable;
  ++cacheReads_[size_t(index)];
  *image = cached;
  return 0;
}

void PieceLoader::noteReaderWarning(const std::string& path, const std::string& text) {
  if (text.empty()) return;
  const std::string warning = "'" + path + "': " + text;
  if (std::find(readerWarnings_.begin(), readerWarnings_.end(), warning) == readerWarnings_.end())
    readerWarnings_.push_back(warning);
}

long PieceLoader::decodeFile(const std::string& path, tagPixelArray** image) {
  std::string warning;
  const long status = decodePixelArray(path, image, &lastFailure_, &warning);
  if (status == 0) noteReaderWarning(path, warning);
  return status;
}

// Parks the unturned piece in the cache, lets it go, and builds the turned piece from the
// cache band by band: the two full-size pictures are never in memory together. Without a
// usable cache the turn is made in memory instead.
long PieceLoader::turnThroughCache(int index, int turns, tagPixelArray*& image) {
  const tagPixelArray source = *image;
  int32_t width = 0, height = 0;
  turnedSize(source.width, source.height, turns, width, height);
  const int64_t turnedBytes = rowBytesFor(width) * height;
  const int64_t sourceBytes = int64_t{source.bytesPerLine} * source.height;
  const bool parked =
      cache_.reserve(index, std::max(sourceBytes, turnedBytes)) && cache_.store(index, source);
  if (parked) {
    freePixelArray(image);
    image = nullptr;
  }
  tagPixelArray* turned = allocatePixelArray(width, height);
  if (turned == nullptr) {
    freePixelArray(image);
    image = nullptr;
    cache_.forget(index);  // it may hold the unturned piece
    return fail(kLoadNoMemory, "not enough memory to turn '" + pieces_[size_t(index)].path + "'");
  }
  if (!parked) {
    turnBandInto(source.bits, source.bytesPerLine, 0, source.height, source.width, source.height,
                 turns, {turned->bits, turned->bytesPerLine});
    freePixelArray(image);
    image = turned;
    return 0;
  }
  std::vector<uint8_t> band(size_t(source.bytesPerLine) * kTurnBandRows);
  for (int32_t row = 0; row < source.height; row += kTurnBandRows) {
    const int32_t rows = std::min(kTurnBandRows, source.height - row);
    if (!cache_.readRows(index, row, rows, band.data())) {
      cache_.forget(index);  // it still holds the unturned piece
      freePixelArray(turned);
      return fail(kLoadNoMemory, "the temporary copy of '" + pieces_[size_t(index)].path +
                                     "' could not be read back; check the temporary folder");
    }
    turnBandInto(band.data(), source.bytesPerLine, row, rows, source.width, source.height, turns,
                 {turned->bits, turned->bytesPerLine});
  }
  cache_.store(index, *turned);
  image = turned;
  return 0;
}

long PieceLoader::fail(long status, const std::string& what) {
  lastFailure_ = what;
  return status;
}

}  // namespace tessaly::stitch::client
