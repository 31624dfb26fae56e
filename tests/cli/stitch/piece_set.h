// Piece files for the program's tests: overlapping pieces cut from a textured page, written in
// a chosen format and resolution with modification times in scanning order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture.h"

namespace tessaly::cli::test {

// Loads the file-format plug-ins into this process (once).
void loadPlugins();

// Writes picture to path in the format its extension names, with dpi (0: none) and the given
// modification time in seconds. Throws on failure.
void writePicture(const std::string& path, const tessaly::stitch::test::Picture& picture,
                  int32_t dpi, long modifiedAt);

// Reads a picture file through the loader; also gives the format and resolution.
tessaly::stitch::test::Picture readPicture(const std::string& path, int32_t* formatId = nullptr,
                                           int32_t* xDpi = nullptr);

struct PieceSetPlan {
  int32_t rows = 1;
  int32_t columns = 2;
  int32_t width = 800;
  int32_t height = 600;
  int32_t overlap = 320;
  uint32_t seed = 11;
  std::string extension = ".jpg";
  int32_t dpi = 300;
  // Quarter turns to the left each file holds (0 when shorter than the cells).
  std::vector<int> fileTurns;
};

// Writes the pieces of plan into folder as piece<cell><extension>, cell by cell and one second
// apart; returns their paths.
std::vector<std::string> writePieceSet(const std::string& folder, const PieceSetPlan& plan);

}  // namespace tessaly::cli::test
