// The pieces as the stitching engine loads them, through the engine client's loader: each
// piece's file decoded once, turned by the user's rotation, and kept in the decoded-piece cache,
// so that the engine's second load of a piece (for alignment) maps the cache file instead of
// decoding again. The engine's own temporary BMP files are read as they are. Between two loads no
// pixels are held here.
#pragma once

#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "piece_cache.h"
#include "piece_loader.h"

namespace tessaly::app {

// One piece to stitch: its file, its size as stitched (after its turns) and its rotation.
struct StitchEntry {
  std::string path;
  int width = 0;
  int height = 0;
  int rotation = 0;  // 0, 90, 180 or 270 degrees to the left
};

// Loading statuses handed back through the engine.
using stitch::client::kLoadBadArguments;
using stitch::client::kLoadNoMemory;
using stitch::client::kLoadUnreadable;

class PieceFeeder {
 public:
  explicit PieceFeeder(std::vector<StitchEntry> entries);

  const std::vector<StitchEntry>& entries() const { return entries_; }

  // Loads `name` as a 24-bit array with row 0 the top row: a listed piece (its path exactly as
  // given to the engine) turned by its rotation, any other file unturned. Returns 0,
  // kLoadBadArguments, kLoadNoMemory or kLoadUnreadable.
  long load(const char* name, tagPixelArray** image) { return loader_.load(name, image); }
  // Frees an image load() made and clears the pointer; null does nothing.
  static void release(tagPixelArray** image) { stitch::client::PieceLoader::release(image); }

  // How often piece `index` was decoded from its file.
  int decodes(int index) const { return loader_.decodes()[size_t(index)]; }

 private:
  std::vector<StitchEntry> entries_;
  stitch::client::PieceCache cache_;  // before the loader, which keeps a reference to it
  stitch::client::PieceLoader loader_;
};

// Decodes a picture file into a new array (row 0 the top row) through the file-format
// plug-ins. Returns 0, kLoadNoMemory or kLoadUnreadable.
long decodePicture(const std::string& path, tagPixelArray** image);

}  // namespace tessaly::app
