// Importing a file into a picture or a layer through the file-I/O loader: open the image (or a
// stored thumbnail), describe the picture, and build its layers from row bands.
#include <algorithm>
#include <cstring>
#include <utility>

#include "export_guard.h"
#include "import_rows.h"
#include "plugin_host.h"
#include "zanError.h"
#include "zanHeap.h"
#include "zanengin.h"

using namespace tessaly::engine;

namespace {

// A read stream and the image opened on it, closed and destroyed in that order.
class OpenFile {
 public:
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  explicit OpenFile(const char16_t* streamPath)
      : stream_(streamPath != nullptr ? zanIOCreateStdStream(streamPath, ZANIO_STREAM_READ)
                                      : nullptr) {}
  ~OpenFile() {
    zanIOCloseImage(image_);
    zanIODestroyStream(stream_);
  }
  PlugStream* stream() const { return stream_; }
  zanIOImage* image() const { return image_; }
  void adopt(zanIOImage* image) {
    zanIOCloseImage(image_);
    image_ = image;
  }

 private:
  PlugStream* stream_;
  zanIOImage* image_ = nullptr;
};

ImageInfo emptyInfo() {
  ImageInfo info{};
  info.size = sizeof info;
  return info;
}

LayerInfo emptyLayerInfo() {
  LayerInfo info{};
  info.size = sizeof info;
  return info;
}

int32_t genericValue(zanHandle picture, int32_t id) {
  int32_t value = 0;
  zanGetPictureProperty(picture, id, &value, sizeof value, nullptr);
  return value;
}

void setPictureValue(zanHandle picture, int32_t id, int32_t value) {
  zanSetPictureProperty(picture, id, &value, sizeof value, 0);
}

bool wantsThumbnail(int32_t type) {
  return type == ZAN_IMPORT_THUMB || type == ZAN_IMPORT_THUMB_BARE;
}

// Whether the thumbnail is at least the asked size; with keepAspect the asked size is first
// fitted to the thumbnail's aspect.
bool thumbnailLargeEnough(const ImageInfo& thumb, const ZanImportOptions& options) {
  int64_t wantW = options.thumbWidth, wantH = options.thumbHeight;
  if (options.keepAspect != 0 && thumb.width > 0 && thumb.height > 0) {
    if (wantW * thumb.height > wantH * thumb.width)
      wantW = wantH * thumb.width / thumb.height;
    else
      wantH = wantW * thumb.height / thumb.width;
  }
  return thumb.width >= wantW && thumb.height >= wantH;
}

// Opens the image (a Photo CD source names its format; thumbnail types try the stored thumbnail
// first). Throws ZAN_ERR_STREAM when nothing opens.
void openImage(OpenFile& file, zanHandle picture, const ZanImportOptions& options,
               ImageInfo& info) {
  if (file.stream() == nullptr) _zanThrow(ZAN_ERR_STREAM);
  int32_t formatId = 0, error = ZAN_OK;
  if (picture != 0 && genericValue(picture, ZAN_GEN_PCD_MARK) == -1) formatId = PLUG_FORMAT_PCD;
  if (wantsThumbnail(options.type)) {
    file.adopt(zanIOOpenThumb(file.stream(), formatId, &info, &error));
    if (file.image() != nullptr && !thumbnailLargeEnough(info, options)) file.adopt(nullptr);
  }
  if (file.image() == nullptr) {
    info = emptyInfo();
    file.adopt(zanIOOpenImage(file.stream(), formatId, &info, &error));
  }
  if (file.image() == nullptr) _zanThrow(ZAN_ERR_STREAM);
  if (picture != 0 && wantsThumbnail(options.type)) {
    setPictureValue(picture, ZAN_GEN_OPENED_WIDTH, info.width);
    setPictureValue(picture, ZAN_GEN_OPENED_HEIGHT, info.height);
  }
  // Kind 6 at the end of the description marks files the options may refuse.
  if (options.refuseKind6 != 0 && info.private1080 == 6) _zanThrow(ZAN_ERR_REFUSED);
}

// The file's tagged values become generic properties. A negative tag would reach a built-in
// property, and the reader's warning text would take the place of the opened size: both stay out.
void keepPictureValue(int32_t tag, int32_t size, const void* value, void* user) {
  if (tag < 0 || tag == PLUG_TAG_WARNING || size < 0 || value == nullptr) return;
  zanSetPictureProperty(*static_cast<zanHandle*>(user), tag, value, uint32_t(size), 0);
}

// A palette block for a picture that gets no layer: it is kept as the picture's owned block so
// that it goes with the picture.
void setInformationPalette(zanHandle picture, const ImageInfo& info) {
  const int32_t count = std::clamp(info.paletteCount, 0, 256);
  int32_t owned = 0;
  zanGetPictureProperty(picture, ZAN_PICT_OWNED_BLOCK, &owned, sizeof owned, nullptr);
  if (info.hasPalette == 0 || count == 0 || owned != 0) return;
  zan::HeapBlock block(0, uint32_t(count) * 4, 0);
  zan::HeapLock<uint8_t> data = block.lock<uint8_t>();
  if (!data) _zanThrow(ZAN_ERR_CREATE);
  std::memcpy(data.get(), info.palette, size_t(count) * 4);
  data.markModified();
  data.unlock();
  const zanHandle handle = block.release();
  zanSetPictureProperty(picture, ZAN_PICT_OWNED_BLOCK, &handle, sizeof handle, 0);
  zanSetPictureProperty(picture, ZAN_PICT_PALETTE, &handle, sizeof handle, 0);
}

void describePicture(zanHandle picture, const char16_t* streamPath, const ImageInfo& info,
                     zanIOImage* image, int32_t type) {
  if (type != ZAN_IMPORT_THUMB_BARE) zanIOEnumImageInfo(image, keepPictureValue, &picture);
  char16_t name[ZANIO_NAME_UNITS] = {};
  const std::u16string given = streamName(streamPath);
  std::copy(given.begin(), given.end(), name);
  zanSetPictureProperty(picture, ZAN_PICT_SOURCENAME, name, sizeof name, 0);
  setPictureValue(picture, ZAN_PICT_SOURCEFORMAT, info.formatId);
  setPictureValue(picture, ZAN_PICT_WIDTH, info.width);
  setPictureValue(picture, ZAN_PICT_HEIGHT, info.height);
  const int32_t depth = layerDepthOf(info);
  if (depth != 0) setPictureValue(picture, ZAN_PICT_BPP, depth);
  if (type == ZAN_IMPORT_INFO) setInformationPalette(picture, info);
}

ImportProgress progressOf(const ZanImportOptions* options) {
  return options != nullptr ? ImportProgress{options, options->progressStart, options->progressEnd}
                            : ImportProgress{nullptr, 0, 0};
}

// Every layer of a layered file, each at the top, the progress range shared evenly.
void importLayers(zanIOImage* image, const ImageInfo& info, zanHandle picture,
                  const ImportProgress& progress) {
  const int32_t count = std::max(info.layerCount, 1);
  const int64_t span = int64_t{progress.end} - progress.start;
  for (int32_t i = 0; i < count; ++i) {
    if (i > 0 && zanIONextLayer(image) != ZANIO_OK) _zanThrow(ZAN_ERR_ROWS);
    LayerInfo layer = emptyLayerInfo();
    const int32_t started = info.layerCount > 0 ? zanIOStartReadLayer(image, &layer)
                                                : zanIOStartReadImage(image, &layer);
    if (started != ZANIO_OK) _zanThrow(ZAN_ERR_ROWS);
    const ImportProgress part{progress.options, int32_t(progress.start + span * i / count),
                              int32_t(progress.start + span * (i + 1) / count)};
    buildLayerFromRows(image, info, layer, part, picture, 0);
  }
}

int32_t importToPicture(zanHandle picture, const char16_t* streamPath,
                        const ZanImportOptions* options) {
  const ZanImportOptions none{};
  const ZanImportOptions& o = options != nullptr ? *options : none;
  OpenFile file(streamPath);
  ImageInfo info = emptyInfo();
  openImage(file, picture, o, info);
  describePicture(picture, streamPath, info, file.image(), o.type);
  const ImportProgress progress = progressOf(options);
  if (o.type == ZAN_IMPORT_LAYERS) {
    importLayers(file.image(), info, picture, progress);
  } else if (o.type != ZAN_IMPORT_INFO) {
    LayerInfo layer = emptyLayerInfo();
    if (zanIOStartReadImage(file.image(), &layer) != ZANIO_OK) _zanThrow(ZAN_ERR_ROWS);
    buildLayerFromRows(file.image(), info, layer, progress, picture, 1);
  }
  file.adopt(nullptr);
  if (options != nullptr && options->progress != nullptr)
    options->progress(options->progressEnd, options->user);
  return ZAN_OK;
}

zanHandle importToLayer(const char16_t* streamPath, const ZanImportOptions* options) {
  const ZanImportOptions none{ZAN_IMPORT_FLATTENED, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr};
  const ZanImportOptions& o = options != nullptr ? *options : none;
  OpenFile file(streamPath);
  ImageInfo info = emptyInfo();
  openImage(file, 0, o, info);
  LayerInfo layer = emptyLayerInfo();
  if (zanIOStartReadImage(file.image(), &layer) != ZANIO_OK) _zanThrow(ZAN_ERR_ROWS);
  const zanHandle made = buildLayerFromRows(file.image(), info, layer, progressOf(options), 0, 0);
  if (options != nullptr && options->progress != nullptr)
    options->progress(options->progressEnd, options->user);
  return made;
}

}  // namespace

extern "C" {

ZAN_API int32_t zanGetImageInfo(int32_t /*source*/, const char16_t* streamSpec, void* info) {
  return guardStatus([&] {
    OpenFile file(streamSpec);
    if (file.stream() == nullptr) return ZAN_ERR_STREAM;
    int32_t error = ZAN_OK;
    file.adopt(zanIOOpenImage(file.stream(), 0, static_cast<ImageInfo*>(info), &error));
    return file.image() != nullptr ? ZAN_OK : (error < 0 ? error : ZAN_ERR_STREAM);
  });
}

ZAN_API int32_t zanImportToPicture(int32_t /*source*/, zanHandle picture,
                                   const char16_t* streamSpec, const ZanImportOptions* options) {
  if (zanCheckBaseObjectType(picture, ZAN_BASE_PICTURE) != 1) return ZAN_ERR_ARG;
  return guardStatus([&] { return importToPicture(picture, streamSpec, options); });
}

ZAN_API zanHandle zanImportToLayer(int32_t /*source*/, const char16_t* streamSpec,
                                   const ZanImportOptions* options, int32_t* error) {
  return guardCreate<zanHandle>(error, [&] { return importToLayer(streamSpec, options); });
}

}  // extern "C"
