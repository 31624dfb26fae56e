// Decoding one piece the way the engine is to see it: read through the file-format plug-ins,
// turned by the user's rotation, and kept in the decoded-piece cache. Touches nothing but the
// piece's own room in the cache, so it may run on any thread while the engine works on another
// piece.
#pragma once

#include <exception>
#include <memory>
#include <string>

#include "QuiltexEngine.h"
#include "piece_cache.h"

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

struct FreePixelArray {
  void operator()(tagPixelArray* image) const;
};
using OwnedPixelArray = std::unique_ptr<tagPixelArray, FreePixelArray>;

// What decoding a piece gave.
struct DecodedPiece {
  long status = 0;
  OwnedPixelArray image;      // the turned piece, when status is 0
  bool fileDecoded = false;   // the file itself was read in full (a turn may still have failed)
  std::string failure;        // what went wrong, when status is not 0
  std::string readerWarning;  // the reader's reservation about the file, empty when it has none
  std::exception_ptr error;   // an exception thrown while decoding, for the caller to rethrow
};

// Decodes a picture file into a new 24-bit array with row 0 the top row, through the file-format
// plug-ins already loaded. Returns 0, kLoadNoMemory or kLoadUnreadable. On failure `failure` (when
// given) says why: "cannot read 'a.jpg': ..."; on success `readerWarning` (when given) holds the
// reader's reservation about the file, empty when it has none.
long decodePixelArray(const std::string& path, tagPixelArray** image,
                      std::string* failure = nullptr, std::string* readerWarning = nullptr);

// Decodes piece `key`'s file, turns it by its rotation and stores it in the cache under `key`
// (a cache that cannot take it only costs a decode next time). Never throws: an exception ends
// up in the result's `error`.
DecodedPiece decodePiece(const PieceSource& piece, int key, PieceCache& cache);

}  // namespace tessaly::stitch::client
