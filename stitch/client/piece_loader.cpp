#include "piece_loader.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "pixel_block.h"

namespace tessaly::stitch::client {

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

void PieceLoader::startDecodingAhead() {
  if (ahead_ || !cache_.isOpen()) return;
  constexpr int kDecodingThreads = 2;
  ahead_ = std::make_unique<DecodeAhead>(
      engineLoadOrder(pieces_), pieces_.size(),
      [this](int i) { return decodePiece(pieces_[size_t(i)], i, cache_); }, kDecodingThreads);
}

void PieceLoader::stopDecodingAhead() {
  if (!ahead_) return;
  // A piece decoded but not taken was read all the same, and the cache now serves its loads:
  // count its decode and keep its reader's warning, as if it had been taken.
  const std::vector<DecodeAhead::Untaken> untaken = ahead_->stop();
  ahead_.reset();
  for (const DecodeAhead::Untaken& piece : untaken) {
    if (piece.piece.status != 0 || !piece.piece.fileDecoded) continue;
    ++decodes_[size_t(piece.index)];
    noteReaderWarning(pieces_[size_t(piece.index)].path, piece.piece.readerWarning);
  }
}

long PieceLoader::loadPiece(int index, tagPixelArray** image) {
  // A piece decoded ahead is the engine's first load of it: the cache holds it only for the
  // loads after that.
  if (ahead_) {
    if (std::optional<DecodedPiece> piece = ahead_->take(index))
      return deliver(index, std::move(*piece), image);
  }
  if (readCached(index, image) == 0) return 0;
  return deliver(index, decodePiece(pieces_[size_t(index)], index, cache_), image);
}

long PieceLoader::deliver(int index, DecodedPiece piece, tagPixelArray** image) {
  if (piece.fileDecoded) {
    ++decodes_[size_t(index)];
    noteReaderWarning(pieces_[size_t(index)].path, piece.readerWarning);
  }
  if (piece.error) std::rethrow_exception(piece.error);
  if (piece.status != 0) {
    lastFailure_ = piece.failure;
    return piece.status;
  }
  *image = piece.image.release();
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

}  // namespace tessaly::stitch::client
