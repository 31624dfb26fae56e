// A whole picture of 24-bit blue-green-red pixels in memory, and its way in and out of files
// through the file-I/O loader, so the command-line programs read and write every format the
// loader's plug-ins know.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::cli {

struct BgrImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;  // bytes from one row to the next, a multiple of 4
  std::vector<uint8_t> bytes;

  uint8_t* row(int32_t y) { return bytes.data() + size_t(y) * size_t(stride); }
  const uint8_t* row(int32_t y) const { return bytes.data() + size_t(y) * size_t(stride); }
  uint8_t* pixel(int32_t x, int32_t y) { return row(y) + size_t(x) * 3; }
  const uint8_t* pixel(int32_t x, int32_t y) const { return row(y) + size_t(x) * 3; }
};

// The largest side either program accepts. Far beyond any scan, and small enough that every
// size product below fits comfortably in 64 bits.
inline constexpr int32_t kMaxSide = 60000;

// Allocates a width x height picture filled with `fill`. Throws std::invalid_argument for a side
// outside 1 ... kMaxSide and std::bad_alloc when memory is short.
BgrImage makeImage(int32_t width, int32_t height, uint8_t fill = 255);

// The picture turned `turns` times a quarter to the left (any count; 4 is none), through
// quarter_turn.h: output row r, column c of one turn comes from input row c, column
// (input width - 1 - r). Width and height swap for odd turns.
BgrImage turnQuarters(const BgrImage& source, int turns);

// Loads the file-format plug-ins from the program's plug-in folder once. Returns false (with a
// sentence in `error`) when none can be loaded.
bool loadPlugins(std::string& error);

struct PictureFile {
  BgrImage image;
  int32_t dpi = 0;  // horizontal resolution the file gives, 0 when none
};

// Reads a whole picture through the loader. Returns false with a sentence in `error`.
bool readPicture(const std::string& path, PictureFile& picture, std::string& error);

// Writes a picture in the format the extension of path names, with the resolution tag and,
// for JPEG, the quality (1 to 100). The loader writes under a temporary name and renames, so a
// failure leaves no partial file. Returns false with a sentence in `error`.
bool writePicture(const std::string& path, const BgrImage& image, int32_t dpi, int quality,
                  std::string& error);

}  // namespace tessaly::cli
