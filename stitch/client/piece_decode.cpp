#include "piece_decode.h"

#include <algorithm>
#include <new>
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

void failWith(DecodedPiece& piece, long status, std::string what) {
  piece.image.reset();
  piece.status = status;
  piece.failure = std::move(what);
}

// Parks the unturned piece in the cache, lets it go, and builds the turned piece from the
// cache band by band: the two full-size pictures are never in memory together. Without a
// usable cache the turn is made in memory instead.
void turnThroughCache(const std::string& path, int key, int turns, PieceCache& cache,
                      DecodedPiece& piece) {
  const tagPixelArray source = *piece.image;
  int32_t width = 0, height = 0;
  turnedSize(source.width, source.height, turns, width, height);
  const int64_t turnedBytes = rowBytesFor(width) * height;
  const int64_t sourceBytes = int64_t{source.bytesPerLine} * source.height;
  const bool parked =
      cache.reserve(key, std::max(sourceBytes, turnedBytes)) && cache.store(key, source);
  if (parked) piece.image.reset();
  OwnedPixelArray turned(allocatePixelArray(width, height));
  if (turned == nullptr) {
    cache.forget(key);  // it may hold the unturned piece
    return failWith(piece, kLoadNoMemory, "not enough memory to turn '" + path + "'");
  }
  if (!parked) {
    turnBandInto(source.bits, source.bytesPerLine, 0, source.height, source.width, source.height,
                 turns, {turned->bits, turned->bytesPerLine});
    piece.image = std::move(turned);
    return;
  }
  std::vector<uint8_t> band(size_t(source.bytesPerLine) * kTurnBandRows);
  for (int32_t row = 0; row < source.height; row += kTurnBandRows) {
    const int32_t rows = std::min(kTurnBandRows, source.height - row);
    if (!cache.readRows(key, row, rows, band.data())) {
      cache.forget(key);  // it still holds the unturned piece
      return failWith(piece, kLoadNoMemory,
                      "the temporary copy of '" + path +
                          "' could not be read back; check the temporary folder");
    }
    turnBandInto(band.data(), source.bytesPerLine, row, rows, source.width, source.height, turns,
                 {turned->bits, turned->bytesPerLine});
  }
  cache.store(key, *turned);
  piece.image = std::move(turned);
}

void decodeAndTurn(const PieceSource& source, int key, PieceCache& cache, DecodedPiece& piece) {
  tagPixelArray* decoded = nullptr;
  piece.status = decodePixelArray(source.path, &decoded, &piece.failure, &piece.readerWarning);
  if (piece.status != 0) return;
  piece.image.reset(decoded);
  piece.fileDecoded = true;
  const int turns = ((source.rotation / 90) % 4 + 4) % 4;
  if (turns == 1 || turns == 3) return turnThroughCache(source.path, key, turns, cache, piece);
  if (turns == 2)
    turnHalfInPlace({decoded->bits, decoded->bytesPerLine}, decoded->width, decoded->height);
  // A cache that cannot take the piece only costs a decode next time.
  cache.store(key, *decoded);
}

}  // namespace

void FreePixelArray::operator()(tagPixelArray* image) const {
  freePixelArray(image);
}

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

DecodedPiece decodePiece(const PieceSource& source, int key, PieceCache& cache) {
  DecodedPiece piece;
  try {
    decodeAndTurn(source, key, cache, piece);
  } catch (...) {
    piece.image.reset();
    piece.error = std::current_exception();
  }
  return piece;
}

}  // namespace tessaly::stitch::client
