// The pieces as their files describe them, read before stitching without decoding any pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "options.h"

namespace tessaly::cli::stitch {

// A piece file's resolution when it gives none, in dots per inch.
constexpr int32_t kDefaultDpi = 50;

struct Piece {
  std::string path;
  int rotation = 0;  // degrees to the left
  int32_t formatId = 0;
  int32_t fileWidth = 0;
  int32_t fileHeight = 0;
  int32_t fileXDpi = 0;  // 0 when the file gives none
  int32_t fileYDpi = 0;
  // As the piece is stitched: turned by its rotation, a missing resolution counted as 50.
  int32_t width = 0;
  int32_t height = 0;
  int32_t xDpi = 0;
  int32_t yDpi = 0;
};

// Describes the piece from its file's header and applies its rotation (a quarter turn swaps
// width and height and the two resolutions).
Piece describePiece(const PieceArgument& arg, int32_t formatId, int32_t width, int32_t height,
                    int32_t xDpi, int32_t yDpi);

// A file the run writes, and what the user calls it ("result", "report").
struct OutputFile {
  const char* role;
  std::string path;
};

// Throws Failure(Usage) when a file is named twice as a piece, or an output would overwrite a
// piece or another output. Until this has passed nothing may be written.
void checkDistinctFiles(const std::vector<PieceArgument>& pieces,
                        const std::vector<OutputFile>& outputs);

// Sets the loader's pixel limit to maxPiecePixels and opens every piece through the loader.
// Throws Failure(UnsuitablePieces) naming the first piece that cannot be opened, has more
// pixels than the limit, or whose name the engine cannot take.
std::vector<Piece> inspectPieces(const std::vector<PieceArgument>& args, int64_t maxPiecePixels);

}  // namespace tessaly::cli::stitch
