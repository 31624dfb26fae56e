// Whole pictures as 24-bit blue-green-red rows: the reader and writer of zanFileIO.h's last
// section, built on the image calls.
#pragma once

#include <cstdint>
#include <memory>

#include "file_stream.h"
#include "image.h"
#include "zanFileIO.h"

struct zanIOReader {
  std::unique_ptr<tessaly::fileio::FileStream> file;  // declared first: outlives the image
  zanIOImage* image = nullptr;
  ImageInfo info{};
  bool used = false;
  ~zanIOReader() { tessaly::fileio::closeImage(image); }
};

namespace tessaly::fileio {

// Rows moved per call to a plug-in, as the image engine does.
constexpr int32_t kBandRows = 32;

zanIOReader* openBgr(const char* path, zanIOBGRInfo* info, int32_t& error);
int32_t readBgr(zanIOReader& reader, uint8_t* top, int32_t stride);
// The plug-in's warning about the file it read; empty before the read or without one.
std::string readerWarning(zanIOReader& reader);
int32_t writeBgr(const char* path, int32_t formatId, const uint8_t* top, int32_t width,
                 int32_t height, int32_t stride, int32_t xDpi, int32_t yDpi,
                 const SaveOptions* options);

}  // namespace tessaly::fileio
