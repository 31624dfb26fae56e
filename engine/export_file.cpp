// Exporting a picture or a layer through a writer plug-in. The loader's write stream makes a
// temporary file beside the target and renames it over the target only once the image is
// complete, so a failed export leaves the user's old file as it was and nothing new behind.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "colour_reduce.h"
#include "export_format.h"
#include "export_guard.h"
#include "export_rows.h"
#include "plugin_host.h"
#include "zanError.h"
#include "zanHeap.h"
#include "zanengin.h"

using namespace tessaly::engine;

namespace {

constexpr int32_t kPictureBandRows = 32;
constexpr int32_t kLayerBandRows = 8;

// Makes a read-only target writable for the export and gives the attribute back when the export
// fails (a completed export replaces the file, attribute and all).
class WritableTarget {
 public:
  WritableTarget() = default;
  WritableTarget(const WritableTarget&) = delete;
  WritableTarget& operator=(const WritableTarget&) = delete;
  void open(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || (info.st_mode & S_IWUSR) != 0) return;
    if (::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0) {
      path_ = path;
      mode_ = info.st_mode & 07777;
    }
  }
  void keep() { path_.clear(); }
  ~WritableTarget() {
    if (!path_.empty()) ::chmod(path_.c_str(), mode_);
  }

 private:
  std::string path_;
  mode_t mode_ = 0;
};

// The write stream and the image on it. Unless finished, the image is closed incomplete and the
// stream discards its temporary file.
class WriteFile {
 public:
  WriteFile(const WriteFile&) = delete;
  WriteFile& operator=(const WriteFile&) = delete;
  WriteFile(const char16_t* streamPath, int32_t formatId, const CreateRequest& request,
            RowLayout& layout) {
    stream_ = zanIOCreateStdStream(streamPath, ZANIO_STREAM_WRITE);
    if (stream_ == nullptr) _zanThrow(ZAN_ERR_STREAM);
    int32_t error = ZAN_OK;
    image_ = zanIOCreateImage(stream_, formatId, &request, &layout, &error);
    if (image_ == nullptr) {
      // The destructor does not run for a constructor that throws: the stream goes here, which
      // also deletes its temporary file.
      zanIODestroyStream(std::exchange(stream_, nullptr));
      _zanThrow(ZAN_ERR_STREAM);
    }
  }
  ~WriteFile() {
    zanIOCloseImage(image_);
    zanIODestroyStream(stream_);
  }
  zanIOImage* image() const { return image_; }
  // Closes the image and puts the file in place; throws when either fails.
  void finish() {
    const int32_t closed = zanIOCloseImage(std::exchange(image_, nullptr));
    const int32_t placed = zanIODestroyStream(std::exchange(stream_, nullptr));
    if (closed != ZANIO_OK) _zanThrow(ZAN_ERR_ROWS);
    if (placed != ZANIO_OK) _zanThrow(ZAN_ERR_STREAM);
  }

 private:
  PlugStream* stream_ = nullptr;
  zanIOImage* image_ = nullptr;
};

struct Progress {
  const ZanExportOptions* options;
  int32_t start;
  int32_t end;
  bool cancelled() const {
    return options != nullptr && options->cancel != nullptr && options->cancel(options->user) != 0;
  }
  void report(int64_t done, int64_t total) const {
    if (options == nullptr || options->progress == nullptr || total <= 0) return;
    options->progress(int32_t(start + done * (int64_t{end} - start) / total), options->user);
  }
  Progress part(int32_t index, int32_t parts) const {
    const int64_t span = int64_t{end} - start;
    return {options, int32_t(start + span * index / parts),
            int32_t(start + span * (index + 1) / parts)};
  }
};

int32_t pixelBytes(int32_t bitsPerPixel) {
  return bitsPerPixel < 9 ? 1 : (bitsPerPixel + 7) / 8;
}

// Writes height rows of the source in bands, in the order the writer asked for, as interleaved
// rows or as planes red, green, blue. The cancel callback is asked before every band, so a
// cancelled export never completes its image.
void writeRows(zanIOImage* image, RowSource& source, int32_t width, int32_t height,
               int32_t bitsPerPixel, const SaveListEntry& entry, const RowLayout& layout,
               int32_t bandRows, const Progress& progress) {
  const int64_t stride = (int64_t{width} * pixelBytes(bitsPerPixel) + 3) / 4 * 4;
  const bool planar = entry.colorModel == PLUG_COLOR_RGB_PLANES;
  const int32_t sample = bitsPerPixel / 24;  // bytes per sample when planar
  const int64_t planeStride = (int64_t{width} * sample + 3) / 4 * 4;
  if (stride * bandRows > INT32_MAX) _zanThrow(ZAN_ERR_CREATE);
  std::vector<uint8_t> band(size_t(stride * bandRows));
  std::vector<uint8_t> planes(planar ? size_t(planeStride * bandRows * 3) : 0);
  const bool bottomUp = layout.rowOrder == PLUG_ROWS_BOTTOM_UP;
  for (int32_t done = 0; done < height;) {
    if (progress.cancelled()) _zanThrow(ZAN_ERR_CANCELLED);
    const int32_t rows = std::min(bandRows, height - done);
    const int32_t y = bottomUp ? height - done - rows : done;
    source.read(y, rows, band.data(), stride);
    const uint8_t* start[3] = {band.data()};
    int64_t step = stride;
    if (planar) {
      for (int c = 0; c < 3; ++c) start[c] = planes.data() + c * planeStride * bandRows;
      for (int32_t j = 0; j < rows; ++j)
        for (int32_t x = 0; x < width; ++x)
          for (int c = 0; c < 3; ++c)  // red, green, blue from blue, green, red
            std::memcpy(const_cast<uint8_t*>(start[c]) + j * planeStride + x * sample,
                        band.data() + j * stride + (x * 3 + 2 - c) * sample, size_t(sample));
      step = planeStride;
    }
    // Bottom-up writers get the band's last row first.
    const uint8_t* first[3];
    for (int c = 0; c < 3; ++c)
      first[c] = start[c] == nullptr ? nullptr : start[c] + (bottomUp ? (rows - 1) * step : 0);
    if (zanIOWriteRows(image, rows, first, int32_t(bottomUp ? -step : step)) != rows)
      _zanThrow(ZAN_ERR_ROWS);
    done += rows;
    progress.report(done, height);
  }
}

void fillPalette(CreateRequest& request, zanHandle palette) {
  zan::HeapLock<PlugPaletteEntry> entries(0, palette);
  if (!entries) return;
  const int32_t count = int32_t(std::min<size_t>(entries.count(), 256));
  request.hasPalette = 1;
  request.paletteCount = count;
  std::memcpy(request.palette, entries.get(), size_t(count) * sizeof(PlugPaletteEntry));
}

CreateRequest requestFor(const SaveListEntry& entry, int32_t width, int32_t height, int32_t layers,
                         zanHandle palette, SaveOptions* options) {
  CreateRequest request{};
  request.size = sizeof request;
  request.layerCount = layers;
  request.colorModel = entry.colorModel;
  request.bits = entry.bits;
  request.width = width;
  request.height = height;
  request.channels = entry.colorModel == PLUG_COLOR_GREY ? 1 : 3;
  request.options = options;
  if (entry.colorModel == PLUG_COLOR_INDEXED) fillPalette(request, palette);
  return request;
}

// Every generic picture property goes to the writer, which keeps the tags it knows.
int32_t handOverValue(void* data, zanHandle, int32_t id, void*, uint32_t size, uint32_t,
                      void* user) {
  if (id >= 0 && size <= INT32_MAX)
    zanIOAddImageInfo(static_cast<zanIOImage*>(user), id, int32_t(size), data);
  return 0;
}

// A picture the export made for itself, destroyed when the export ends.
class MadePicture {
 public:
  MadePicture() = default;
  MadePicture(const MadePicture&) = delete;
  MadePicture& operator=(const MadePicture&) = delete;
  ~MadePicture() {
    if (handle_ != 0) zanDestroyPicture(handle_);
  }
  void adopt(zanHandle handle) { handle_ = handle; }

 private:
  zanHandle handle_ = 0;
};

int32_t formatFor(int32_t format, const ZanExportOptions* options, const char16_t* streamPath) {
  if (format == 0 && options != nullptr) format = options->formatId;
  if (format == 0) format = findWriterByExtension(streamName(streamPath));
  return format;
}

Progress progressOf(const ZanExportOptions* options) {
  return options != nullptr ? Progress{options, options->progressStart, options->progressEnd}
                            : Progress{nullptr, 0, 0};
}

void reportEnd(const ZanExportOptions* options) {
  if (options != nullptr && options->progress != nullptr)
    options->progress(options->progressEnd, options->user);
}

// The layers one by one for writers that store layers, in the order the writer asked for.
void writeLayers(zanIOImage* image, zanHandle picture, int32_t bitsPerPixel,
                 const SaveListEntry& entry, const RowLayout& layout, const Progress& progress,
                 int32_t parts) {
  const int32_t count = pictureValue(picture, ZAN_PICT_LAYERCOUNT);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t index = layout.layerOrder == PLUG_LAYERS_BOTTOM_FIRST ? i + 1 : count - i;
    const zanHandle layer = zanGetLayer(picture, index, nullptr);
    if (layerValue(layer, ZAN_LAYER_BPP) != bitsPerPixel) _zanThrow(ZAN_ERR_ROWS);
    RECT rect{};
    zanGetLayerProperty(layer, ZAN_LAYER_RECT, &rect, sizeof rect, nullptr);
    LayerInfo info{};
    info.size = sizeof info;
    info.kind = 1;
    info.planes = 1;
    info.left = rect.left;
    info.top = rect.top;
    info.right = rect.right;
    info.bottom = rect.bottom;
    info.visible = layerValue(layer, ZAN_LAYER_VISIBLE);
    info.opacity = layerValue(layer, ZAN_LAYER_OPACITY);
    RowLayout layerLayout{};
    layerLayout.size = sizeof layerLayout;
    if (i > 0 && zanIONextLayer(image) != ZANIO_OK) _zanThrow(ZAN_ERR_ROWS);
    if (zanIOCreateLayer(image, &info, &layerLayout) != ZANIO_OK ||
        zanIOStartWriteLayer(image) != ZANIO_OK)
      _zanThrow(ZAN_ERR_ROWS);
    LayerRows rows(layer, rect.right - rect.left);
    writeRows(image, rows, rect.right - rect.left, rect.bottom - rect.top, bitsPerPixel, entry,
              layerLayout, kPictureBandRows, progress.part(i, parts));
  }
  if (count > 0 && zanIONextLayer(image) != ZANIO_OK) _zanThrow(ZAN_ERR_ROWS);
}

void exportPicture(int32_t format, const char16_t* streamPath, zanHandle picture,
                   const ZanExportOptions* options) {
  format = formatFor(format, options, streamPath);
  ExportSettings settings = settingsFor(format, picture);
  // A reduced copy is written instead of the picture and destroyed afterwards.
  MadePicture reduced;
  zanHandle source = picture;
  const int32_t depth = pictureValue(picture, ZAN_PICT_BPP);
  const zanHandle palette = pictureValue(picture, ZAN_PICT_PALETTE);
  // The format must take the picture (or its reduced copy) before anything is made.
  const int32_t finalDepth = settings.reduction.wanted ? 8 : depth;
  const std::optional<SaveListEntry> entry =
      chooseSaveEntry(format, finalDepth, settings.reduction.wanted || palette != 0);
  if (!entry) _zanThrow(ZAN_ERR_ROWS);
  if (settings.reduction.wanted) {
    const Reduction& r = settings.reduction;
    source = reduceColours(picture, r.bits, r.paletteType, r.ditherType);
    reduced.adopt(source);
  }
  int32_t width = 0, height = 0;
  zanPictureGetSize(source, nullptr, &width, &height);
  if (width <= 0 || height <= 0) _zanThrow(ZAN_ERR_ARG);
  SaveOptions* saveOptions = options != nullptr && options->formatOptions != nullptr
                                 ? static_cast<SaveOptions*>(options->formatOptions)
                                 : &settings.options;
  const int32_t layers = pictureValue(source, ZAN_PICT_LAYERCOUNT);
  const CreateRequest request = requestFor(*entry, width, height, layers,
                                           pictureValue(source, ZAN_PICT_PALETTE), saveOptions);
  WritableTarget target;
  target.open(utf8Path(streamName(streamPath)));
  RowLayout layout{};
  layout.size = sizeof layout;
  WriteFile file(streamPath, format, request, layout);
  zanEnumPictureProperties(source, handOverValue, file.image());
  const Progress progress = progressOf(options);
  const int32_t parts = (layout.storesLayers != 0 ? layers : 0) + 1;
  const int32_t sourceDepth = pictureValue(source, ZAN_PICT_BPP);
  if (layout.storesLayers != 0)
    writeLayers(file.image(), source, sourceDepth, *entry, layout, progress, parts);
  if (layout.wantsComposite != 0 || layout.storesLayers == 0) {
    if (zanIOStartWriteImage(file.image()) != ZANIO_OK) _zanThrow(ZAN_ERR_ROWS);
    PictureRows rows(source, width, sourceDepth, kPictureBandRows);
    writeRows(file.image(), rows, width, height, sourceDepth, *entry, layout, kPictureBandRows,
              progress.part(parts - 1, parts));
  }
  file.finish();
  target.keep();
  reportEnd(options);
}

// A layer's depth as the writer gets it: 24 and 48 bits blue-green-red, 8 bits with a palette
// indexed, other depths grey.
SaveListEntry layerEntry(int32_t depth, bool hasPalette) {
  if (depth == 24 || depth == 48) return {PLUG_COLOR_BGR, depth};
  if (depth == 8 && hasPalette) return {PLUG_COLOR_INDEXED, 8};
  return {PLUG_COLOR_GREY, depth};
}

void exportLayer(int32_t format, const char16_t* streamPath, zanHandle layer,
                 const ZanExportOptions* options) {
  format = formatFor(format, options, streamPath);
  RECT rect{};
  zanGetLayerProperty(layer, ZAN_LAYER_RECT, &rect, sizeof rect, nullptr);
  const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) _zanThrow(ZAN_ERR_ARG);
  const int32_t depth = layerValue(layer, ZAN_LAYER_BPP);
  const zanHandle palette = layerValue(layer, ZAN_LAYER_PALETTE);
  const SaveListEntry entry = layerEntry(depth, palette != 0);
  SaveOptions* saveOptions =
      options != nullptr ? static_cast<SaveOptions*>(options->formatOptions) : nullptr;
  const CreateRequest request = requestFor(entry, width, height, 1, palette, saveOptions);
  WritableTarget target;
  target.open(utf8Path(streamName(streamPath)));
  RowLayout layout{};
  layout.size = sizeof layout;
  WriteFile file(streamPath, format, request, layout);
  if (zanIOStartWriteImage(file.image()) != ZANIO_OK) _zanThrow(ZAN_ERR_ROWS);
  LayerRows rows(layer, width);
  writeRows(file.image(), rows, width, height, depth, entry, layout, kLayerBandRows,
            progressOf(options));
  file.finish();
  target.keep();
  reportEnd(options);
}

}  // namespace

extern "C" {

ZAN_API int32_t zanCheckCanSave(int32_t format, zanHandle picture, int32_t /*type*/) {
  return guardResult<int32_t>([&] {
    if (zanCheckBaseObjectType(picture, ZAN_BASE_PICTURE) != 1) return 0;
    const bool hasPalette = pictureValue(picture, ZAN_PICT_PALETTE) != 0;
    return chooseSaveEntry(format, pictureValue(picture, ZAN_PICT_BPP), hasPalette) ? 1 : 0;
  });
}

ZAN_API int32_t zanExportImage(int32_t format, const char16_t* streamSpec, zanHandle picture,
                               const ZanExportOptions* options) {
  if (streamSpec == nullptr || zanCheckBaseObjectType(picture, ZAN_BASE_PICTURE) != 1)
    return ZAN_ERR_ARG;
  return guardCode([&] { exportPicture(format, streamSpec, picture, options); });
}

ZAN_API int32_t zanExportLayer(int32_t format, const char16_t* streamSpec, zanHandle layer,
                               const ZanExportOptions* options) {
  if (streamSpec == nullptr || zanCheckBaseObjectType(layer, ZAN_BASE_LAYER) != 1)
    return ZAN_ERR_ARG;
  return guardCode([&] { exportLayer(format, streamSpec, layer, options); });
}

}  // extern "C"
