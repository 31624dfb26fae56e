// The pieces as the stitching engine loads them: each piece's file decoded once, turned by the
// user's rotation, and kept in the decoded-piece cache, so that the engine's second load of a
// piece (for alignment) maps the cache file instead of decoding again. The engine's own
// temporary BMP files are read as they are. Between two loads no pixels are held here: the only
// decoded piece in memory is the one the engine holds, and a quarter turn goes through the cache
// file rather than through a second full-size copy.
#pragma once

#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "piece_cache.h"

namespace tessaly::app {

// One piece to stitch: its file, its size as stitched (after its turns) and its rotation.
struct StitchEntry {
  std::string path;
  int width = 0;
  int height = 0;
  int rotation = 0;  // 0, 90, 180 or 270 degrees to the left
};

// Loading statuses handed back through the engine.
constexpr long kLoadBadArguments = -3;
constexpr long kLoadNoMemory = -2;
constexpr long kLoadUnreadable = -4;

class PieceFeeder {
 public:
  explicit PieceFeeder(std::vector<StitchEntry> entries);

  const std::vector<StitchEntry>& entries() const { return entries_; }

  // Loads `name` as a 24-bit array with row 0 the top row: a listed piece (its path exactly as
  // given to the engine) turned by its rotation, any other file unturned. Returns 0,
  // kLoadBadArguments, kLoadNoMemory or kLoadUnreadable.
  long load(const char* name, tagPixelArray** image);
  // Frees an image load() made and clears the pointer; null does nothing.
  static void release(tagPixelArray** image);

  // How often piece `index` was decoded from its file.
  int decodes(int index) const { return decodes_[size_t(index)]; }

 private:
  long loadPiece(int index, tagPixelArray** image);
  long turnThroughCache(int index, int turns, tagPixelArray*& image);

  std::vector<StitchEntry> entries_;
  std::vector<int> decodes_;
  stitch::client::PieceCache cache_;
};

// Decodes a picture file into a new array (row 0 the top row) through the file-format
// plug-ins. Returns 0, kLoadNoMemory or kLoadUnreadable.
long decodePicture(const std::string& path, tagPixelArray** image);

// Copies `rows` rows (from `firstRow`) of a width x height picture, `stride` bytes apart, into
// `target` turned by `turns` quarter turns to the left.
void turnRowsInto(const unsigned char* rows, int64_t stride, int firstRow, int count, int width,
                  int height, int turns, tagPixelArray& target);

}  // namespace tessaly::app
