// The engine's loading side: every piece decoded once, turned by the user's rotation and kept
// in the decoded-piece cache; later loads of the same piece map the cache file. The engine's own
// temporary BMP files are read as they are.
//
// Between two calls the loader holds no pixels: the only decoded piece in memory is the one
// the engine is holding, and a turn goes through the cache file rather than through a second
// full-size copy. While it decodes ahead (see decode_ahead.h) one more piece may be waiting for
// the engine.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "decode_ahead.h"
#include "piece_cache.h"
#include "piece_decode.h"

namespace tessaly::stitch::client {

class PieceLoader {
 public:
  PieceLoader(std::vector<PieceSource> pieces, PieceCache& cache);

  // Loads `name` as a 24-bit array with row 0 the top row. A piece (its name exactly as given
  // to the engine) is turned by its rotation; any other name (the engine's temporary files) is
  // read unturned. Returns 0, kLoadNoMemory, kLoadUnreadable or kLoadBadArguments; the image is
  // freed only through release().
  long load(const char* name, tagPixelArray** image);
  static void release(tagPixelArray** image);

  // Starts decoding the pieces on two threads of their own, in the order the engine loads them,
  // until stopDecodingAhead(): a piece takes longer to decode than the engine's work on it, so
  // two are decoded side by side (and at most two are held beyond the engine's). The engine sees
  // the same images, statuses and failures as without it, each at its own load. Does nothing
  // without a usable cache, which holds the pieces decoded ahead for their later loads.
  void startDecodingAhead();
  // Lets the threads finish their pieces and joins them; the loader then decodes on the caller's
  // thread alone.
  void stopDecodingAhead();

  // What the last failed load was about, as one phrase: "cannot read piece 'a.jpg': ...".
  const std::string& lastFailure() const { return lastFailure_; }
  // How often each piece was decoded from its file for the engine and read back from the cache
  // (a piece decoded ahead counts as decoded when the engine takes it).
  const std::vector<int>& decodes() const { return decodes_; }
  const std::vector<int>& cacheReads() const { return cacheReads_; }
  // The readers' reservations about files they read in full, once per file:
  // "'a.jpg': the file ends without its end marker...".
  const std::vector<std::string>& readerWarnings() const { return readerWarnings_; }

 private:
  long loadPiece(int index, tagPixelArray** image);
  long readCached(int index, tagPixelArray** image);
  // Hands a decoded piece to the engine, noting its counts, warning or failure.
  long deliver(int index, DecodedPiece piece, tagPixelArray** image);
  long decodeFile(const std::string& path, tagPixelArray** image);
  void noteReaderWarning(const std::string& path, const std::string& text);

  std::vector<PieceSource> pieces_;
  PieceCache& cache_;
  std::vector<int> decodes_;
  std::vector<int> cacheReads_;
  std::string lastFailure_;
  std::vector<std::string> readerWarnings_;
  std::unique_ptr<DecodeAhead> ahead_;  // last: its thread reads pieces_ and the cache
};

}  // namespace tessaly::stitch::client
