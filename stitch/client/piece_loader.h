// The engine's loading side: every piece decoded once, turned by the user's rotation and kept
// in the decoded-piece cache; later loads of the same piece map the cache file. The engine's own
// temporary BMP files are read as they are.
//
// Between two calls the loader holds no pixels: the only decoded piece in memory is the one
// the engine is holding, and a turn goes through the cache file rather than through a second
// full-size copy.
#pragma once

#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "piece_cache.h"
#include "zanFileIO.h"

namespace tessaly::stitch::client {

// The loading statuses the engine passes back to its caller.
constexpr long kLoadNoMemory = -2;
constexpr long kLoadUnreadable = -4;
constexpr long kLoadBadArguments = -3;

// A piece as the engine is given it: its file and the user's turn.
struct PieceSource {
  std::string path;
  int rotation = 0;  // 0, 90, 180 or 270 degrees to the left
};

// Decodes a picture file into a new 24-bit array with row 0 the top row, through the file-format
// plug-ins already loaded. Returns 0, kLoadNoMemory or kLoadUnreadable. On failure `failure` (when
// given) says why: "cannot read 'a.jpg': ..."; on success `readerWarning` (when given) holds the
// reader's reservation about the file, empty when it has none.
long decodePixelArray(const std::string& path, tagPixelArray** image,
                      std::string* failure = nullptr, std::string* readerWarning = nullptr);

class PieceLoader {
 public:
  PieceLoader(std::vector<PieceSource> pieces, PieceCache& cache);

  // Loads `name` as a 24-bit array with row 0 the top row. A piece (its name exactly as given
  // to the engine) is turned by its rotation; any other name (the engine's temporary files) is
  // read unturned. Returns 0, kLoadNoMemory, kLoadUnreadable or kLoadBadArguments; the image is
  // freed only through release().
  long load(const char* name, tagPixelArray** image);
  static void release(tagPixelArray** image);

  // What the last failed load was about, as one phrase: "cannot read piece 'a.jpg': ...".
  const std::string& lastFailure() const { return lastFailure_; }
  // How often each piece was decoded from its file and read back from the cache.
  const std::vector<int>& decodes() const { return decodes_; }
  const std::vector<int>& cacheReads() const { return cacheReads_; }
  // The readers' reservations about files they read in full, once per file:
  // "'a.jpg': the file ends without its end marker...".
  const std::vector<std::string>& readerWarnings() const { return readerWarnings_; }

 private:
  long loadPiece(int index, tagPixelArray** image);
  long readCached(int index, tagPixelArray** image);
  long decodeFile(const std::string& path, tagPixelArray** image);
  void noteReaderWarning(const std::string& path, const std::string& text);
  long turnThroughCache(int index, int turns, tagPixelArray*& image);
  long fail(long status, const std::string& what);

  std::vector<PieceSource> pieces_;
  PieceCache& cache_;
  std::vector<int> decodes_;
  std::vector<int> cacheReads_;
  std::string lastFailure_;
  std::vector<std::string> readerWarnings_;
};

}  // namespace tessaly::stitch::client
