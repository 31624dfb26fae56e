#include "bgr_io.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "bgr_convert.h"

namespace tessaly::fileio {
namespace {

void collectResolution(int32_t tag, int32_t size, const void* value, void* user) {
  auto* dpi = static_cast<int32_t*>(user);
  if (size != int32_t(sizeof(int32_t)) || value == nullptr) return;
  if (tag == PLUG_TAG_XRESOLUTION) dpi[0] = std::max(*static_cast<const int32_t*>(value), 0);
  if (tag == PLUG_TAG_YRESOLUTION) dpi[1] = std::max(*static_cast<const int32_t*>(value), 0);
}

// Copies a reader's warning text, cut at its first zero or at its size.
void collectWarning(int32_t tag, int32_t size, const void* value, void* user) {
  if (tag != PLUG_TAG_WARNING || size <= 0 || value == nullptr) return;
  const auto* text = static_cast<const char*>(value);
  static_cast<std::string*>(user)->assign(text, strnlen(text, size_t(size)));
}

bool strideFits(int32_t stride, int32_t width) {
  return std::abs(int64_t{stride}) >= int64_t{width} * 3;
}

// Rows that already are top-down blue-green-red at the caller's stride go straight into the
// caller's buffer.
int32_t readDirect(zanIOImage& image, uint8_t* top, int32_t stride, int32_t height) {
  for (int32_t done = 0; done < height;) {
    uint8_t* planes[1] = {top + int64_t{done} * stride};
    const int32_t got = readRows(image, std::min(kBandRows, height - done), planes, stride);
    if (got < 0) return got;
    done += got;
  }
  return ZANIO_OK;
}

// Everything else goes through a band buffer and is converted row by row into place.
int32_t readConverted(zanIOImage& image, const LayerInfo& layer, const BgrConversion& c,
                      uint8_t* top, int32_t stride, int32_t width, int32_t height) {
  const int64_t planeStride =
      (std::max<int64_t>(layer.rowBytes, int64_t{width} * c.bytesPerPixel) + 3) / 4 * 4;
  if (planeStride > INT32_MAX / kBandRows) return PLUG_ERR_BAD_DATA;
  std::vector<std::vector<uint8_t>> band(size_t(c.planes),
                                         std::vector<uint8_t>(size_t(planeStride) * kBandRows));
  uint8_t* planes[4] = {};
  for (int32_t p = 0; p < c.planes; ++p) planes[p] = band[size_t(p)].data();
  const bool bottomUp = layer.rowOrder == PLUG_ROWS_BOTTOM_UP;
  for (int32_t done = 0; done < height;) {
    const int32_t got =
        readRows(image, std::min(kBandRows, height - done), planes, int32_t(planeStride));
    if (got < 0) return got;
    for (int32_t j = 0; j < got; ++j, ++done) {
      const uint8_t* row[4] = {};
      for (int32_t p = 0; p < c.planes; ++p) row[p] = planes[p] + j * planeStride;
      const int32_t target = bottomUp ? height - 1 - done : done;
      convertRow(c, row, top + int64_t{target} * stride, width);
    }
  }
  return ZANIO_OK;
}

// What a writer is given when the caller brings no options.
SaveOptions defaultOptions(int32_t formatId) {
  switch (formatId) {
    case PLUG_FORMAT_JPEG:
      return {sizeof(SaveOptions), 90, 0};
    case PLUG_FORMAT_BMP:
      return {sizeof(SaveOptions), 24, 0};
    case PLUG_FORMAT_TIFF:
      return {sizeof(SaveOptions), 5, 90};  // LZW
    case PLUG_FORMAT_TGA:
      return {sizeof(SaveOptions), 24, 0};
    default:
      return {sizeof(SaveOptions), 0, 0};
  }
}

int32_t writeRowsOf(zanIOImage& image, const RowLayout& layout, const uint8_t* top, int32_t height,
                    int32_t stride) {
  const bool bottomUp = layout.rowOrder == PLUG_ROWS_BOTTOM_UP;
  for (int32_t done = 0; done < height;) {
    const int32_t rows = std::min(kBandRows, height - done);
    const int32_t first = bottomUp ? height - 1 - done : done;
    const uint8_t* planes[1] = {top + int64_t{first} * stride};
    const int32_t taken = writeRows(image, rows, planes, bottomUp ? -stride : stride);
    if (taken < 0) return taken;
    done += rows;
  }
  return ZANIO_OK;
}

int32_t writeImage(PlugStream* stream, int32_t formatId, const uint8_t* top, int32_t width,
                   int32_t height, int32_t stride, const int32_t dpi[2],
                   const SaveOptions& options) {
  CreateRequest request{};
  request.size = sizeof request;
  request.colorModel = PLUG_COLOR_BGR;
  request.bits = 24;
  request.width = width;
  request.height = height;
  request.channels = 3;
  request.options = const_cast<SaveOptions*>(&options);
  RowLayout layout{};
  layout.size = sizeof layout;
  int32_t error = ZANIO_OK;
  zanIOImage* image = createImage(stream, formatId, request, &layout, error);
  if (image == nullptr) return error;
  if (dpi[0] > 0) addInfo(*image, PLUG_TAG_XRESOLUTION, sizeof dpi[0], &dpi[0], false);
  if (dpi[1] > 0) addInfo(*image, PLUG_TAG_YRESOLUTION, sizeof dpi[1], &dpi[1], false);
  error = startWrite(*image, false);
  if (error == ZANIO_OK) error = writeRowsOf(*image, layout, top, height, stride);
  const int32_t closed = closeImage(image);
  return error != ZANIO_OK ? error : closed;
}

}  // namespace

zanIOReader* openBgr(const char* path, zanIOBGRInfo* info, int32_t& error) {
  error = ZANIO_ERR_ARGUMENT;
  if (path == nullptr) return nullptr;
  std::unique_ptr<zanIOReader> reader(new (std::nothrow) zanIOReader);
  error = PLUG_ERR_NO_MEMORY;
  if (!reader) return nullptr;
  reader->file = FileStream::open(path, ZANIO_STREAM_READ);
  error = ZANIO_ERR_STREAM;
  if (!reader->file) return nullptr;
  reader->info.size = sizeof reader->info;
  reader->image = openImage(reader->file->stream(), 0, &reader->info, error);
  if (reader->image == nullptr) {
    // The caller may name the size that was refused; the format is not known then.
    if (error == ZANIO_ERR_TOO_LARGE && info != nullptr) {
      const zanIOBGRInfo claimed = {sizeof claimed,      0, reader->info.width,
                                    reader->info.height, 0, 0};
      plugCopyOut(info, &claimed, sizeof claimed);
    }
    return nullptr;
  }
  int32_t dpi[2] = {0, 0};
  enumInfo(*reader->image, collectResolution, dpi, false);
  const zanIOBGRInfo own = {sizeof own,
                            reader->image->plugin->info.formatId,
                            reader->info.width,
                            reader->info.height,
                            dpi[0],
                            dpi[1]};
  if (info != nullptr) plugCopyOut(info, &own, sizeof own);
  return reader.release();
}

int32_t readBgr(zanIOReader& reader, uint8_t* top, int32_t stride) {
  const int32_t width = reader.info.width, height = reader.info.height;
  if (reader.used || top == nullptr || !strideFits(stride, width)) return ZANIO_ERR_ARGUMENT;
  reader.used = true;
  LayerInfo layer{};
  layer.size = sizeof layer;
  if (const int32_t started = startRead(*reader.image, &layer, false); started != ZANIO_OK)
    return started;
  if (layer.right - layer.left != width || layer.bottom - layer.top != height)
    return PLUG_ERR_BAD_DATA;
  BgrConversion conversion;
  if (!chooseConversion(reader.info, layer, conversion)) return ZANIO_ERR_LAYOUT;
  if (conversion.kind == BgrConversion::Kind::Copy && layer.rowOrder != PLUG_ROWS_BOTTOM_UP &&
      stride == layer.rowBytes)
    return readDirect(*reader.image, top, stride, height);
  return readConverted(*reader.image, layer, conversion, top, stride, width, height);
}

std::string readerWarning(zanIOReader& reader) {
  std::string warning;
  if (reader.used) enumInfo(*reader.image, collectWarning, &warning, false);
  return warning;
}

int32_t writeBgr(const char* path, int32_t formatId, const uint8_t* top, int32_t width,
                 int32_t height, int32_t stride, int32_t xDpi, int32_t yDpi,
                 const SaveOptions* options) {
  if (path == nullptr || top == nullptr || width <= 0 || height <= 0 || !strideFits(stride, width))
    return ZANIO_ERR_ARGUMENT;
  const int32_t format =
      formatId != 0 ? formatId : Registry::instance().formatByExtension(upperExtension(path), true);
  if (format == 0) return ZANIO_ERR_NO_PLUGIN;
  std::unique_ptr<FileStream> file = FileStream::open(path, ZANIO_STREAM_WRITE);
  if (!file) return ZANIO_ERR_STREAM;
  const int32_t dpi[2] = {xDpi, yDpi};
  const int32_t written = writeImage(file->stream(), format, top, width, height, stride, dpi,
                                     options != nullptr ? *options : defaultOptions(format));
  const int32_t placed = file->finish();
  return written != ZANIO_OK ? written : placed;
}

}  // namespace tessaly::fileio
