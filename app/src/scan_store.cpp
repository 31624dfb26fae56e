#include "scan_store.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "engine_export.h"
#include "folders.h"
#include "plugin_interface.h"
#include "scanned_image.h"
#include "zanFileIO.h"

namespace tessaly::app {
namespace {

constexpr int32_t kTagXResolution = 14001;
constexpr int32_t kTagYResolution = 14002;
// Rows turned round per band for a bilevel image stored the other way round.
constexpr int32_t kBandRows = 64;

bool whiteFirst(const ScannedImage& image) {
  if (image.palette.size() < 2) return false;
  const DibColour& first = image.palette[0];
  const DibColour& second = image.palette[1];
  return first.red + first.green + first.blue > second.red + second.green + second.blue;
}

// A write stream and the image on it. Unless finished, the image is closed incomplete and the
// stream throws its temporary file away.
class TiffOutput {
 public:
  TiffOutput(const TiffOutput&) = delete;
  TiffOutput& operator=(const TiffOutput&) = delete;
  TiffOutput(const std::vector<char16_t>& name, const CreateRequest& request) {
    stream_ = zanIOCreateStdStream(name.data(), ZANIO_STREAM_WRITE);
    if (stream_ == nullptr) return;
    layout_.size = sizeof layout_;
    int32_t error = 0;
    image_ = zanIOCreateImage(stream_, PLUG_FORMAT_TIFF, &request, &layout_, &error);
  }
  ~TiffOutput() {
    zanIOCloseImage(image_);
    zanIODestroyStream(stream_);
  }
  zanIOImage* image() const { return image_; }
  bool bottomUp() const { return layout_.rowOrder == PLUG_ROWS_BOTTOM_UP; }
  // Closes the image and puts the file in place; whether both succeeded.
  bool finish() {
    const int32_t closed = zanIOCloseImage(std::exchange(image_, nullptr));
    const int32_t placed = zanIODestroyStream(std::exchange(stream_, nullptr));
    return closed == ZANIO_OK && placed == ZANIO_OK;
  }

 private:
  PlugStream* stream_ = nullptr;
  zanIOImage* image_ = nullptr;
  RowLayout layout_{};
};

CreateRequest requestFor(const ScannedImage& image, const ScanFileLayout& layout) {
  CreateRequest request{};
  request.size = sizeof request;
  request.layerCount = 1;
  request.colorModel = layout.colorModel;
  request.bits = layout.bits;
  request.width = image.header.width;
  request.height = image.header.height;
  request.channels = layout.colorModel == PLUG_COLOR_BGR ? 3 : 1;
  if (layout.colorModel == PLUG_COLOR_INDEXED) {
    request.hasPalette = 1;
    request.paletteCount = int32_t(std::min<size_t>(image.palette.size(), 256));
    for (int32_t i = 0; i < request.paletteCount; ++i) {
      const DibColour& c = image.palette[size_t(i)];
      request.palette[i] = PlugPaletteEntry{c.blue, c.green, c.red, 0};
    }
  }
  return request;
}

void addResolution(zanIOImage* image, int32_t tag, int32_t pelsPerMeter) {
  const int32_t dpi = dotsPerInch(pelsPerMeter);
  if (dpi > 0) zanIOAddImageInfo(image, tag, sizeof dpi, &dpi);
}

// Hands every row to the writer in the order it asked for. The bitmap's rows are bottom row
// first, so a top-down writer reads them backwards; 1-bit rows to be turned round go through a
// band of their own.
bool writeRows(TiffOutput& out, const ScannedImage& image, bool invert) {
  const int32_t height = image.header.height;
  const int64_t rowBytes = image.rowBytes;
  std::vector<uint8_t> band(invert ? size_t(rowBytes) * kBandRows : 0);
  for (int32_t done = 0; done < height;) {
    const int32_t rows = std::min(kBandRows, height - done);
    // Bitmap row of the band's first row, and the step to the next one in the writer's order.
    const int32_t first = out.bottomUp() ? done : height - 1 - done;
    const int64_t step = out.bottomUp() ? rowBytes : -rowBytes;
    const uint8_t* start = image.bits.data() + first * rowBytes;
    int32_t stride = int32_t(step);
    if (invert) {
      for (int32_t i = 0; i < rows; ++i) {
        const uint8_t* from = start + i * step;
        uint8_t* to = band.data() + i * rowBytes;
        for (int64_t b = 0; b < rowBytes; ++b) to[b] = uint8_t(~from[b]);
      }
      start = band.data();
      stride = int32_t(rowBytes);
    }
    const uint8_t* planes[3] = {start, nullptr, nullptr};
    if (zanIOWriteRows(out.image(), rows, planes, stride) != rows) return false;
    done += rows;
  }
  return true;
}

}  // namespace

std::optional<ScanFileLayout> scanFileLayout(const ScannedImage& image) {
  switch (image.header.bitCount) {
    case 1:
      return ScanFileLayout{PLUG_COLOR_GREY, 1, whiteFirst(image)};
    case 8: {
      // A palette of 256 greys in order is plain grey; any other palette is kept as it is.
      bool greys = image.palette.size() == 256;
      for (size_t i = 0; greys && i < 256; ++i) {
        const DibColour& c = image.palette[i];
        const auto level = uint8_t(i);
        greys = c.red == level && c.green == level && c.blue == level;
      }
      return ScanFileLayout{greys ? PLUG_COLOR_GREY : PLUG_COLOR_INDEXED, 8, false};
    }
    case 16:
      if (image.rgb) return std::nullopt;
      return ScanFileLayout{PLUG_COLOR_GREY, 16, false};
    case 24:
    case 48:
      if (!image.rgb) return std::nullopt;
      return ScanFileLayout{PLUG_COLOR_BGR, image.header.bitCount, false};
    default:
      return std::nullopt;
  }
}

std::optional<QString> storeScan(const ScannedImage& image) {
  const std::optional<ScanFileLayout> layout = scanFileLayout(image);
  const int32_t width = image.header.width, height = image.header.height;
  if (!layout || width <= 0 || height <= 0 ||
      image.bits.size() < size_t(image.rowBytes) * size_t(height) || !formatPlugInsLoaded())
    return std::nullopt;
  const std::optional<std::string> path = uniquePictBinName();
  if (!path) return std::nullopt;
  const QString stored = QString::fromStdString(*path);
  const std::optional<std::vector<char16_t>> name = engineFileName(stored);
  if (!name) return std::nullopt;
  TiffOutput out(*name, requestFor(image, *layout));
  if (out.image() == nullptr) return std::nullopt;
  addResolution(out.image(), kTagXResolution, image.header.xPelsPerMeter);
  addResolution(out.image(), kTagYResolution, image.header.yPelsPerMeter);
  if (zanIOStartWriteImage(out.image()) != ZANIO_OK || !writeRows(out, image, layout->invertBits) ||
      !out.finish())
    return std::nullopt;
  return stored;
}

}  // namespace tessaly::app
