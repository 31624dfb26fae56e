// The same work as the plug-ins do, with the libraries called directly and the same settings:
// the reference the loader is measured against. Pictures are 24-bit blue-green-red, rows top
// first at stride bytes.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly::bench {

struct Picture {
  int32_t width, height, stride;
  uint8_t* pixels;
};

// Each returns true on success.
bool writeJpeg(const std::string& path, const Picture& p, int quality);
bool readJpeg(const std::string& path, Picture& p);
bool writePng(const std::string& path, const Picture& p);
bool readPng(const std::string& path, Picture& p);
bool writeTiffLzw(const std::string& path, const Picture& p);
bool readTiff(const std::string& path, Picture& p);
bool writeBmp(const std::string& path, const Picture& p);
bool readBmp(const std::string& path, Picture& p);

}  // namespace tessaly::bench
