// Drives the format plug-in linked into a test executable through its two exports and its
// function table, over streams in memory, the way the loader does: step by step (Reader,
// writeImage) or a whole file at a time (decode, encode).
#pragma once

#include <cstdint>
#include <vector>

#include "memory_stream.h"
#include "plugin_interface.h"

namespace tessaly::test {

using Bytes = std::vector<uint8_t>;

// Bytes of one row of width pixels at bits per pixel (1-bit rows are packed).
inline int32_t rowBytesOf(int32_t bits, int32_t width) {
  return bits == 1 ? (width + 7) / 8 : width * (bits / 8);
}

// Reads a file through the table. The instance is closed when the reader goes.
class Reader {
 public:
  explicit Reader(Bytes bytes);
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // Null when the signature test refused the file.
  PlugInstance* instance() const { return instance_; }
  // OpenImage into info; false when it fails.
  bool openImage();
  // StartReadImage into layer; false when it fails.
  bool startRead();
  // Both of the above.
  bool open() { return instance_ != nullptr && openImage() && startRead(); }
  // ReadRows into rows at stride; returns what ReadRows answered.
  int32_t read(int32_t rows, uint8_t* first, int32_t stride);
  // Opens and reads every row in batches of batch rows, packed at the layer's row bytes in the
  // order the file delivers them; false when any step fails.
  bool readAll(Bytes& out, int32_t batch = 32);
  int32_t error() const { return instance_->table.GetError(instance_); }

  ImageInfo info{};
  LayerInfo layer{};
  plugin::MemoryStream stream;

 private:
  PlugInstance* instance_ = nullptr;
};

// How writeImage hands its rows over.
struct WriteSteps {
  int32_t band = 32;          // rows per WriteRows call
  size_t limit = SIZE_MAX;    // the stream takes at most this many bytes (a full disk)
  int32_t dpi = 0;            // given to AddImageInfo as both resolutions when above 0
  bool rowsAsStored = false;  // rows come in the order the writer asked for, else top row first
};

// What each step of writeImage answered.
struct Written {
  Bytes file;
  RowLayout layout{};
  bool created = false, started = false;
  int32_t rowsTaken = 0;  // the sum of WriteRows' answers
  int32_t error = 0;      // GetError after the last step
  bool complete(int32_t height) const { return started && rowsTaken == height; }
};

// Writes rows (packed, request.width pixels of request.bits each) through the table.
Written writeImage(const CreateRequest& request, const Bytes& rows, const WriteSteps& steps = {});

// A picture in a plug-in's row layout, rows top first at rowBytes each.
struct Picture {
  int32_t colorModel = PLUG_COLOR_BGR, bits = 24, width = 0, height = 0;
  int32_t paletteCount = 0;
  PlugPaletteEntry palette[256] = {};
  std::vector<uint8_t> rows;
  int32_t rowBytes() const { return rowBytesOf(bits, width); }
};

// The CreateRequest that writes picture with options (or none).
CreateRequest requestFor(const Picture& picture, const SaveOptions* options);

struct Decoded {
  bool opened = false;  // GetPlugStruct and OpenImage took the file
  int32_t error = 0;    // the plug-in's code after a failure, 0 when every step went well
  ImageInfo image{};
  LayerInfo layer{};
  std::vector<uint8_t> rows;  // top row first, layer.rowBytes each
  int32_t xDpi = 0, yDpi = 0;
};

// Opens and reads the whole file in bands of band rows; rows of bottom-up files are put top
// first.
Decoded decode(const std::vector<uint8_t>& file, int32_t band = 32);

// Writes the picture; returns the file's bytes, or an empty vector with the code in error.
// limit cuts the stream short after that many bytes (a full disk).
std::vector<uint8_t> encode(const Picture& picture, const SaveOptions* options = nullptr,
                            int32_t dpi = 0, int32_t* error = nullptr, size_t limit = SIZE_MAX);

// A test picture with varied content: gradients and a few sharp edges.
Picture pattern(int32_t colorModel, int32_t bits, int32_t width, int32_t height);

// A picture of gentle gradients, for lossy formats.
Picture smooth(int32_t colorModel, int32_t bits, int32_t width, int32_t height);

// The file cut to its first bytes bytes.
std::vector<uint8_t> truncated(const std::vector<uint8_t>& file, size_t bytes);

}  // namespace tessaly::test
