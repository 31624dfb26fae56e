#include "bmp_writer.h"

#include <strings.h>

#include <array>
#include <cstdio>
#include <memory>
#include <vector>

#include "errors.h"

namespace tessaly::stitch {

namespace {

constexpr size_t kHeaderBytes = 54;
constexpr uint64_t kChunkBytes = 0x1000000;

void put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}
void put32(uint8_t* at, uint32_t value) {
  put16(at, value & 0xFFFF);
  put16(at + 2, value >> 16);
}

std::array<uint8_t, kHeaderBytes> headerFor(const tagPixelArray& image, uint32_t stride) {
  std::array<uint8_t, kHeaderBytes> h{};
  const uint32_t pixelBytes = stride * static_cast<uint32_t>(image.height);
  put16(&h[0], 0x4D42);  // "BM"
  put32(&h[2], pixelBytes + kHeaderBytes);
  put32(&h[10], kHeaderBytes);
  put32(&h[14], 40);
  put32(&h[18], static_cast<uint32_t>(image.width));
  put32(&h[22], static_cast<uint32_t>(image.height));
  put16(&h[26], 1);
  put16(&h[28], 24);
  put32(&h[34], pixelBytes);
  return h;
}

struct FileCloser {
  void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::string bmpPathFor(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  if (hasExtension && strcasecmp(path.c_str() + dot, ".bmp") == 0) return path;
  return (hasExtension ? path.substr(0, dot) : path) + ".bmp";
}

std::string writeBmp(const std::string& path, const tagPixelArray& image,
                     const ProgressRange& range) {
  if (path.empty()) fail(QX_ERR_INPUT);
  range.at(0.0);
  const std::string target = bmpPathFor(path);
  // Rows are written with the standard padded stride whatever the image's own stride, so the
  // header's sizes always describe the file.
  const uint32_t stride = static_cast<uint32_t>(standardStride(image.width));
  const uint64_t pixelBytes = static_cast<uint64_t>(stride) * static_cast<uint64_t>(image.height);
  if (pixelBytes + kHeaderBytes > 0xFFFFFFFFu) fail(QX_ERR_INPUT);

  File file(std::fopen(target.c_str(), "wb"));
  if (!file) fail(QX_ERR_INPUT);
  const auto header = headerFor(image, stride);
  if (std::fwrite(header.data(), 1, header.size(), file.get()) != header.size()) fail(QX_ERR_INPUT);

  const uint64_t chunks = pixelBytes / kChunkBytes;
  const double step = 1.0 / static_cast<double>(chunks + 1);
  std::vector<uint8_t> row(stride, 0);
  const size_t used = static_cast<size_t>(image.width) * 3;
  uint64_t written = 0;
  uint64_t chunk = 0;
  for (int32_t r = image.height - 1; r >= 0; --r) {
    // Report before every whole 16 MiB chunk that starts within this row.
    for (; chunk < chunks && written + stride > chunk * kChunkBytes; ++chunk) {
      range.at(step * static_cast<double>(chunk));
    }
    std::copy(rowOf(image, r), rowOf(image, r) + used, row.begin());
    if (std::fwrite(row.data(), 1, stride, file.get()) != stride) fail(QX_ERR_INPUT);
    written += stride;
  }
  if (std::fclose(file.release()) != 0) fail(QX_ERR_INPUT);
  range.at(1.0);
  return target;
}

}  // namespace tessaly::stitch
