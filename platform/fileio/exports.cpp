// The exported functions of zanFileIO: argument checks, then one call into the loader. No C++
// exception leaves the library: guarded turns one into the call's failure result, with a code
// that says what kind of failure it was.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "bgr_io.h"
#include "file_stream.h"
#include "image.h"
#include "registry.h"
#include "staged_paths.h"
#include "zanError.h"
#include "zanFileIO.h"
#include "zanHeap.h"
#include "zanStr.h"

namespace fileio = tessaly::fileio;

namespace {

using fileio::Registry;

// Runs body and returns its result. When it throws, onFailure receives the code of what was
// thrown and makes the call's result: running out of memory is PLUG_ERR_NO_MEMORY, a code raised
// with _zanThrow is that code, and anything else is a failure of the file or stream the call
// was working on, ZANIO_ERR_STREAM.
template <typename Body, typename OnFailure>
auto guarded(Body&& body, OnFailure&& onFailure) noexcept -> decltype(body()) {
  int32_t code;
  try {
    return body();
  } catch (const std::bad_alloc&) {
    code = PLUG_ERR_NO_MEMORY;
  } catch (const zan::Error& e) {
    code = e.code();
  } catch (...) {
    code = ZANIO_ERR_STREAM;
  }
  return onFailure(code);
}

// For calls whose result is a status code: the failure's code is the result.
template <typename Body>
int32_t guardedCode(Body&& body) noexcept {
  return guarded(body, [](int32_t code) { return code; });
}

// For calls whose result says only "nothing": a fixed value stands for every failure.
template <typename Result, typename Body>
Result guardedOr(Result nothing, Body&& body) noexcept {
  return guarded(body, [nothing](int32_t) { return nothing; });
}

// For calls that hand back an object or null and report the code through error: a failure
// leaves its code there.
template <typename Body>
auto guardedWithCode(int32_t& error, Body&& body) noexcept {
  return guarded(body, [&error](int32_t code) {
    error = code;
    return decltype(body()){};
  });
}

void setError(int32_t* error, int32_t code) {
  if (error != nullptr) *error = code;
}

// The stream of a new FileStream, which zanIODestroyStream deletes; null when it cannot open.
PlugStream* openStream(const std::string& path, int32_t mode) {
  auto file = fileio::FileStream::open(path, mode);
  return file ? file.release()->stream() : nullptr;
}

// A stream name as UTF-8, through the platform's string conversion.
std::string pathOfName(const char16_t* name) {
  int32_t units = 0;
  while (units < ZANIO_NAME_UNITS && name[units] != 0) ++units;
  const zanHandle text = zanStrFromUtf16(name, units);
  std::string path(size_t(std::max(zanStrToCStr(text, nullptr, 0), 0)), '\0');
  zanStrToCStr(text, path.data(), int32_t(path.size() + 1));
  zanHeapFree(0, text);
  return path;
}

}  // namespace

extern "C" {

ZANIO_API int32_t _zanIOLoadPlugsEx(const char* folder) {
  return guardedCode([&] {
    const bool useDefault = folder == nullptr || folder[0] == '\0';
    return Registry::instance().load(useDefault ? fileio::defaultPluginFolder() : folder);
  });
}

ZANIO_API int64_t zanIOSetPixelLimit(int64_t pixels) {
  return fileio::setPixelLimit(pixels);
}

ZANIO_API void zanIORemoveStagedFiles(void) {
  fileio::removeStagedPaths();
}

ZANIO_API int32_t zanIOUnloadPlugs(void) {
  return Registry::instance().unload();
}

ZANIO_API int32_t zanIOPlugFolder(char* buffer, int32_t size) {
  return guardedCode([&] {
    const std::string folder = fileio::defaultPluginFolder();
    if (buffer != nullptr && size > 0) {
      const size_t n = std::min(folder.size(), size_t(size - 1));
      std::memcpy(buffer, folder.data(), n);
      buffer[n] = '\0';
    }
    return int32_t(folder.size());
  });
}

ZANIO_API int32_t zanIOGetPlugCount(void) {
  return Registry::instance().count();
}

ZANIO_API int32_t zanIOEnumPlugsInfo(int32_t index, PlugInfo* info) {
  const fileio::Plugin* p = Registry::instance().at(index);
  if (p == nullptr || info == nullptr) return ZANIO_ERR_ARGUMENT;
  plugCopyOut(info, &p->info, sizeof p->info);
  return p->enabled ? 1 : 0;
}

ZANIO_API int32_t zanIOEnablePlug(int32_t index, int32_t enabled) {
  fileio::Plugin* p = Registry::instance().at(index);
  if (p == nullptr) return ZANIO_ERR_ARGUMENT;
  p->enabled = enabled != 0;
  return ZANIO_OK;
}

ZANIO_API int32_t zanIOFindFormatByExtension(const char* name, int32_t forWriting) {
  if (name == nullptr) return 0;
  return guardedOr(int32_t{0}, [&] {
    return Registry::instance().formatByExtension(fileio::upperExtension(name), forWriting != 0);
  });
}

ZANIO_API int32_t zanIOGetSaveList(int32_t formatId, int32_t wanted, SaveListEntry* entries) {
  const fileio::Plugin* p = Registry::instance().writerOf(formatId);
  if (p == nullptr) return ZANIO_ERR_NO_PLUGIN;
  const auto have = int32_t(p->saveList.size());
  if (entries != nullptr)
    for (int32_t i = 0; i < wanted && i < have; ++i) entries[i] = p->saveList[size_t(i)];
  return have;
}

ZANIO_API PlugStream* zanIOCreateStdStream(const char16_t* name, int32_t mode) {
  if (name == nullptr) return nullptr;
  return guardedOr<PlugStream*>(nullptr, [&] {
    const std::string path = pathOfName(name);
    return path.empty() ? nullptr : openStream(path, mode);
  });
}

ZANIO_API PlugStream* zanIOCreateFileStream(const char* path, int32_t mode) {
  if (path == nullptr) return nullptr;
  return guardedOr<PlugStream*>(nullptr, [&] { return openStream(path, mode); });
}

ZANIO_API int32_t zanIODestroyStream(PlugStream* stream) {
  fileio::FileStream* file = fileio::FileStream::from(stream);
  if (file == nullptr) return stream == nullptr ? ZANIO_OK : ZANIO_ERR_ARGUMENT;
  const int32_t result = file->finish();
  delete file;
  return result;
}

ZANIO_API zanIOImage* zanIOOpenImage(PlugStream* stream, int32_t formatId, ImageInfo* info,
                                     int32_t* error) {
  int32_t code = PLUG_ERR_NO_MEMORY;
  zanIOImage* image =
      guardedWithCode(code, [&] { return fileio::openImage(stream, formatId, info, code); });
  setError(error, code);
  return image;
}

ZANIO_API zanIOImage* zanIOOpenThumb(PlugStream*, int32_t, ImageInfo*, int32_t* error) {
  setError(error, ZANIO_ERR_NO_PLUGIN);
  return nullptr;
}

ZANIO_API void zanIOEnumImageInfo(zanIOImage* image, PlugInfoCallback callback, void* user) {
  if (image != nullptr) fileio::enumInfo(*image, callback, user, false);
}

ZANIO_API void zanIOEnumLayerInfo(zanIOImage* image, PlugInfoCallback callback, void* user) {
  if (image != nullptr) fileio::enumInfo(*image, callback, user, true);
}

ZANIO_API int32_t zanIOStartReadImage(zanIOImage* image, LayerInfo* info) {
  return image == nullptr ? ZANIO_ERR_ARGUMENT : fileio::startRead(*image, info, false);
}

ZANIO_API int32_t zanIOStartReadLayer(zanIOImage* image, LayerInfo* info) {
  return image == nullptr ? ZANIO_ERR_ARGUMENT : fileio::startRead(*image, info, true);
}

ZANIO_API int32_t zanIOReadRows(zanIOImage* image, int32_t rows, uint8_t* const* planes,
                                int32_t stride) {
  return image == nullptr ? ZANIO_ERR_ARGUMENT : fileio::readRows(*image, rows, planes, stride);
}

ZANIO_API int32_t zanIONextLayer(zanIOImage* image) {
  return image == nullptr ? ZANIO_ERR_ARGUMENT : fileio::nextLayer(*image);
}

ZANIO_API zanIOImage* zanIOCreateImage(PlugStream* stream, int32_t formatId,
                                       const CreateRequest* request, RowLayout* layout,
                                       int32_t* error) {
  int32_t code = ZANIO_ERR_ARGUMENT;
  zanIOImage* image = nullptr;
  if (request != nullptr && request->size >= int32_t(offsetof(CreateRequest, options))) {
    // A caller's shorter record is read as ours with the missing fields zero.
    CreateRequest own{};
    std::memcpy(&own, request, std::min(size_t(request->size), sizeof own));
    own.size = sizeof own;
    code = PLUG_ERR_NO_MEMORY;
    image = guardedWithCode(
        code, [&] { return fileio::createImage(stream, formatId, own, layout, code); });
  }
  setError(error, code);
  return image;
}

ZANIO_API int32_t zanIOAddImageInfo(zanIOImage* image, int32_t tag, int32_t size,
                                    const void* data) {
  return image == nullptr ? ZANIO_ERR_ARGUMENT : fileio::addInfo(*image, tag, size, data, false);
}

ZANIO_API int32_t zanIOAddLayerInfo(zanIOImage* image, int32_t tag, int32_t size,
                                    const void* data) {
  return image == nullptr ? ZANIO_ERR_ARGUMENT : fileio::addInfo(*image, tag, size, data, true);
}

ZANIO_API int32_t zanIOCreateLayer(zanIOImage* image, const LayerInfo* info, RowLayout* layout) {
  return image == nullptr ? ZANIO_ERR_ARGUMENT : fileio::createLayer(*image, info, layout);
}

ZANIO_API int32_t zanIOStartWriteLayer(zanIOImage* image) {
  return image == nullptr ? ZANIO_ERR_ARGUMENT : fileio::startWrite(*image, true);
}

ZANIO_API int32_t zanIOStartWriteImage(zanIOImage* image) {
  return image == nullptr ? ZANIO_ERR_ARGUMENT : fileio::startWrite(*image, false);
}

ZANIO_API int32_t zanIOWriteRows(zanIOImage* image, int32_t rows, const uint8_t* const* planes,
                                 int32_t stride) {
  return image == nullptr ? ZANIO_ERR_ARGUMENT : fileio::writeRows(*image, rows, planes, stride);
}

ZANIO_API int32_t zanIOGetError(zanIOImage* image) {
  return image == nullptr ? ZANIO_ERR_ARGUMENT : image->error;
}

ZANIO_API int32_t zanIOCloseImage(zanIOImage* image) {
  return fileio::closeImage(image);
}

ZANIO_API zanIOReader* zanIOOpenBGR(const char* path, zanIOBGRInfo* info, int32_t* error) {
  int32_t code = PLUG_ERR_NO_MEMORY;
  zanIOReader* reader = guardedWithCode(code, [&] { return fileio::openBgr(path, info, code); });
  setError(error, code);
  return reader;
}

ZANIO_API int32_t zanIOReadBGR(zanIOReader* reader, uint8_t* top, int32_t stride) {
  if (reader == nullptr) return ZANIO_ERR_ARGUMENT;
  return guardedCode([&] { return fileio::readBgr(*reader, top, stride); });
}

ZANIO_API int32_t zanIOReaderWarning(zanIOReader* reader, char* buffer, int32_t size) {
  if (reader == nullptr) return 0;
  return guardedOr(int32_t{0}, [&] {
    const std::string warning = fileio::readerWarning(*reader);
    if (buffer != nullptr && size > 0) {
      const size_t copied = std::min(warning.size(), size_t(size) - 1);
      std::memcpy(buffer, warning.data(), copied);
      buffer[copied] = '\0';
    }
    return int32_t(std::min<size_t>(warning.size(), INT32_MAX));
  });
}

ZANIO_API void zanIOCloseBGR(zanIOReader* reader) {
  delete reader;
}

ZANIO_API int32_t zanIOWriteBGR(const char* path, int32_t formatId, const uint8_t* top,
                                int32_t width, int32_t height, int32_t stride, int32_t xDpi,
                                int32_t yDpi, const SaveOptions* options) {
  return guardedCode([&] {
    return fileio::writeBgr(path, formatId, top, width, height, stride, xDpi, yDpi, options);
  });
}

}  // extern "C"
