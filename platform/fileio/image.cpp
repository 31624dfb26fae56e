#include "image.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>

#include "file_stream.h"
#include "zanFileIO.h"

namespace tessaly::fileio {
namespace {

std::atomic<int64_t> pixelLimit{ZANIO_DEFAULT_PIXEL_LIMIT};

// Whether a header's size is beyond the limit; sizes are compared in 64 bits, so no claimed
// width and height can overflow past it.
bool overPixelLimit(const ImageInfo& info) {
  const int64_t limit = pixelLimit.load(std::memory_order_relaxed);
  return limit > 0 && int64_t{std::max(info.width, 0)} * std::max(info.height, 0) > limit;
}

int32_t failWith(zanIOImage& image, int32_t code) {
  image.error = code;
  return code;
}

// The code a plug-in keeps after a failed operation; a plug-in that kept none (or a positive
// one) failed all the same.
int32_t pluginError(PlugInstance* instance) {
  const int32_t code = instance->table.GetError != nullptr ? instance->table.GetError(instance) : 0;
  return code < 0 ? code : PLUG_ERR_BAD_DATA;
}

// The upper-cased extension of the stream's file name, when it has one. Extensions are ASCII,
// so other characters only need to stay out of the way.
std::string extensionOf(PlugStream* stream) {
  char16_t units[PLUG_TEXT_UNITS] = {};
  if (stream->name == nullptr || stream->name(stream, units) == 0) return {};
  std::string name;
  for (int i = 0; i < PLUG_TEXT_UNITS && units[i] != 0; ++i)
    name += units[i] < 0x80 ? char(units[i]) : '?';
  return upperExtension(name);
}

zanIOImage* makeImage(const Plugin* plugin, PlugInstance* instance, PlugStream* stream,
                      bool writing) {
  auto* image = new (std::nothrow) zanIOImage;
  if (image == nullptr) {
    instance->table.CloseImage(instance);
    return nullptr;
  }
  image->plugin = plugin;
  image->instance = instance;
  image->stream = stream;
  image->writing = writing;
  Registry::instance().retain();
  return image;
}

// Tries one reader on the stream from start; the instance when it opened the image.
PlugInstance* tryReader(const Plugin& p, PlugStream* stream, int64_t start, ImageInfo& own,
                        int32_t& error) {
  stream->seek(stream, start, PLUG_SEEK_SET);
  PlugInstance* instance = p.getStruct(stream, 0, p.info.formatId);
  if (instance == nullptr) return nullptr;  // not this plug-in's format
  own = ImageInfo{};
  own.size = sizeof own;
  if (instance->table.OpenImage != nullptr && instance->table.OpenImage(instance, &own) == 1)
    return instance;
  if (error == ZANIO_ERR_NO_PLUGIN) error = pluginError(instance);
  instance->table.CloseImage(instance);
  return nullptr;
}

}  // namespace

zanIOImage* openImage(PlugStream* stream, int32_t formatId, ImageInfo* info, int32_t& error) {
  error = ZANIO_ERR_ARGUMENT;
  if (stream == nullptr || stream->read == nullptr || stream->seek == nullptr) return nullptr;
  const int64_t start = std::max<int64_t>(stream->seek(stream, 0, PLUG_SEEK_CUR), 0);
  error = ZANIO_ERR_NO_PLUGIN;
  for (const Plugin* p : Registry::instance().readersFor(formatId, extensionOf(stream))) {
    ImageInfo own;
    if (PlugInstance* instance = tryReader(*p, stream, start, own, error)) {
      if (overPixelLimit(own)) {
        instance->table.CloseImage(instance);
        if (info != nullptr) plugCopyOut(info, &own, sizeof own);
        error = ZANIO_ERR_TOO_LARGE;
        return nullptr;
      }
      zanIOImage* image = makeImage(p, instance, stream, false);
      if (image == nullptr) {
        error = PLUG_ERR_NO_MEMORY;
        return nullptr;
      }
      image->height = own.height;
      if (info != nullptr) plugCopyOut(info, &own, sizeof own);
      error = ZANIO_OK;
      return image;
    }
  }
  return nullptr;
}

int64_t setPixelLimit(int64_t pixels) {
  return pixelLimit.exchange(std::max<int64_t>(pixels, 0));
}

int32_t startRead(zanIOImage& image, LayerInfo* info, bool layer) {
  const PlugFunctionTable& t = image.instance->table;
  const auto start = layer ? t.StartReadLayer : t.StartReadImage;
  if (image.writing || start == nullptr) return failWith(image, ZANIO_ERR_ARGUMENT);
  LayerInfo own{};
  own.size = sizeof own;
  if (start(image.instance, &own) != 1) return failWith(image, pluginError(image.instance));
  if (own.bottom <= own.top) return failWith(image, PLUG_ERR_BAD_DATA);
  image.rowsLeft = own.bottom - own.top;
  if (info != nullptr) plugCopyOut(info, &own, sizeof own);
  return ZANIO_OK;
}

int32_t readRows(zanIOImage& image, int32_t rows, uint8_t* const* planes, int32_t stride) {
  if (image.writing || rows <= 0 || planes == nullptr || planes[0] == nullptr ||
      image.rowsLeft <= 0 || image.instance->table.ReadRows == nullptr)
    return failWith(image, ZANIO_ERR_ARGUMENT);
  const int32_t asked = std::min(rows, image.rowsLeft);
  const int32_t got = image.instance->table.ReadRows(image.instance, asked, planes, stride);
  if (got <= 0 || got > asked) return failWith(image, pluginError(image.instance));
  image.rowsLeft -= got;
  return got;
}

void enumInfo(zanIOImage& image, PlugInfoCallback callback, void* user, bool layer) {
  const PlugFunctionTable& t = image.instance->table;
  const auto enumerate = layer ? t.EnumLayerInfo : t.EnumImageInfo;
  if (enumerate != nullptr && callback != nullptr) enumerate(image.instance, callback, user);
}

int32_t nextLayer(zanIOImage& image) {
  const auto next = image.instance->table.NextLayer;
  if (next == nullptr) return failWith(image, ZANIO_ERR_ARGUMENT);
  return next(image.instance) == 1 ? ZANIO_OK : failWith(image, pluginError(image.instance));
}

zanIOImage* createImage(PlugStream* stream, int32_t formatId, const CreateRequest& request,
                        RowLayout* layout, int32_t& error) {
  error = ZANIO_ERR_ARGUMENT;
  if (stream == nullptr || stream->write == nullptr || stream->seek == nullptr) return nullptr;
  const int32_t format = formatId != 0 ? formatId : request.variant;
  const Plugin* p = Registry::instance().writerOf(format);
  error = ZANIO_ERR_NO_PLUGIN;
  if (p == nullptr) return nullptr;
  error = ZANIO_ERR_LAYOUT;
  if (!p->accepts(request.colorModel, request.bits)) return nullptr;
  PlugInstance* instance = p->getStruct(stream, 1, format);
  error = PLUG_ERR_NO_MEMORY;
  if (instance == nullptr) return nullptr;
  RowLayout own{};
  own.size = sizeof own;
  if (instance->table.CreateImage == nullptr ||
      instance->table.CreateImage(instance, &request, &own) != 1) {
    error = instance->table.CreateImage == nullptr ? ZANIO_ERR_NO_PLUGIN : pluginError(instance);
    instance->table.CloseImage(instance);
    return nullptr;
  }
  zanIOImage* image = makeImage(p, instance, stream, true);
  if (image == nullptr) return nullptr;
  image->height = request.height;
  image->wantsComposite = own.wantsComposite != 0;
  if (layout != nullptr) plugCopyOut(layout, &own, sizeof own);
  error = ZANIO_OK;
  return image;
}

int32_t addInfo(zanIOImage& image, int32_t tag, int32_t size, const void* data, bool layer) {
  const PlugFunctionTable& t = image.instance->table;
  const auto add = layer ? t.AddLayerInfo : t.AddImageInfo;
  if (!image.writing || add == nullptr) return 0;
  return add(image.instance, tag, data, size) == 1 ? 1 : 0;
}

int32_t createLayer(zanIOImage& image, const LayerInfo* info, RowLayout* layout) {
  const auto create = image.instance->table.CreateLayer;
  if (!image.writing || info == nullptr || create == nullptr)
    return failWith(image, ZANIO_ERR_ARGUMENT);
  RowLayout own{};
  own.size = sizeof own;
  if (create(image.instance, info, &own) != 1) return failWith(image, pluginError(image.instance));
  image.layerRows = std::max(info->bottom - info->top, 0);
  if (layout != nullptr) plugCopyOut(layout, &own, sizeof own);
  return ZANIO_OK;
}

int32_t startWrite(zanIOImage& image, bool layer) {
  const PlugFunctionTable& t = image.instance->table;
  const auto start = layer ? t.StartWriteLayer : t.StartWriteImage;
  if (!image.writing || start == nullptr || image.error != 0)
    return failWith(image, ZANIO_ERR_ARGUMENT);
  if (start(image.instance) != 1) return failWith(image, pluginError(image.instance));
  image.rowsLeft = layer ? image.layerRows : image.height;
  image.writingLayer = layer;
  return ZANIO_OK;
}

int32_t writeRows(zanIOImage& image, int32_t rows, const uint8_t* const* planes, int32_t stride) {
  if (image.error != 0) return image.error;  // a spoilt image takes nothing more
  if (!image.writing || rows <= 0 || rows > image.rowsLeft || planes == nullptr ||
      planes[0] == nullptr || image.instance->table.WriteRows == nullptr)
    return failWith(image, ZANIO_ERR_ARGUMENT);
  if (image.instance->table.WriteRows(image.instance, rows, planes, stride) != rows)
    return failWith(image, pluginError(image.instance));
  image.rowsLeft -= rows;
  if (image.rowsLeft == 0) (image.writingLayer ? image.layerDone : image.imageDone) = true;
  return rows;
}

int32_t closeImage(zanIOImage* image) {
  if (image == nullptr) return ZANIO_OK;
  image->instance->table.CloseImage(image->instance);
  int32_t result = ZANIO_OK;
  if (image->writing) {
    const bool whole = image->wantsComposite ? image->imageDone : image->layerDone;
    result = image->error != 0 ? image->error : (whole ? ZANIO_OK : ZANIO_ERR_INCOMPLETE);
    // A write stream of ours puts its file in place only after a whole image; whatever the
    // plug-in wrote while closing must have reached the file too.
    if (FileStream* file = FileStream::from(image->stream); file != nullptr && result == ZANIO_OK) {
      if (file->flush())
        file->markComplete();
      else
        result = PLUG_ERR_SHORT_WRITE;  // as when the plug-in's own write fails
    }
  }
  Registry::instance().release();
  delete image;
  return result;
}

}  // namespace tessaly::fileio
