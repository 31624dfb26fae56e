// Decoded pieces kept in one uncompressed temporary file, so that a piece the engine asks for
// again is mapped from the file instead of decoded again. Only the file holds the pixels: the
// cache keeps a few numbers per piece in memory. Each piece's room starts on a page boundary so
// that it can be mapped.
//
// The file is removed from its folder as soon as it is made, so it disappears with the process
// however the process ends.
//
// Two threads may use the cache at once as long as they work on different pieces.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "QuiltexEngine.h"

namespace tessaly::stitch::client {

class PieceCache {
 public:
  PieceCache() = default;
  ~PieceCache();
  PieceCache(const PieceCache&) = delete;
  PieceCache& operator=(const PieceCache&) = delete;

  // Makes the file in folder. False when it cannot be made; the cache then stays unusable and
  // every call below answers false.
  bool open(const std::string& folder);
  bool isOpen() const { return fd_ >= 0; }

  // Sets aside room for piece `key` large enough for `bytes` bytes of pixel rows; a piece that
  // already has room keeps it when it is large enough. Forgets what the piece held.
  bool reserve(int key, int64_t bytes);

  // Writes the image's rows (bytesPerLine x height bytes) into the piece's room and remembers
  // its size: from now on the piece is cached as this image.
  bool store(int key, const tagPixelArray& image);

  // Drops what the piece held (its room stays set aside).
  void forget(int key);

  // The size of the cached image of piece `key`; false when it has none.
  bool find(int key, int32_t& width, int32_t& height, int32_t& bytesPerLine) const;

  // The cached image of piece `key` as a pixel array whose rows are the file's own pages (see
  // mapPixelArray): no copy, freed with freePixelArray. Null when the piece has none, its rows
  // are not of the engine's length, or the mapping fails.
  tagPixelArray* mapImage(int key) const;

  // Reads `rows` rows of the piece's cached image from row `firstRow` into `to`, at the
  // image's own bytesPerLine.
  bool readRows(int key, int32_t firstRow, int32_t rows, uint8_t* to) const;

 private:
  struct Slot {
    off_t offset = 0;
    int64_t capacity = 0;
    int32_t width = 0;  // 0: nothing stored yet
    int32_t height = 0;
    int32_t bytesPerLine = 0;
  };

  bool reserveLocked(int key, int64_t bytes);
  // A copy of the piece's slot when it holds an image.
  bool filledSlot(int key, Slot& slot) const;

  int fd_ = -1;
  mutable std::mutex mutex_;  // guards end_ and slots_; the file's bytes are the pieces' own
  off_t end_ = 0;
  std::map<int, Slot> slots_;
};

}  // namespace tessaly::stitch::client
