// The TIFF plug-in Tiff.fll: its description, its function table, the client procedures over
// the stream and the two exports.
#include <algorithm>
#include <climits>

#include "tiff_format.h"

namespace tessaly::plugin::tiff {
namespace {

constexpr PlugInfo kInfo =
    plugin::readWriteInfo(PLUG_FORMAT_TIFF, u"TIFF(*.TIF;*.TIFF)", u"*.TIF;*.TIFF");

const PlugFunctionTable kTable =
    plugin::singleImageTable({openImage, startReadImage, readRows, createImage, startWriteImage,
                              writeRows, closeImage, plugin::saveListOf<kSaveList>});

// libtiff asks for single allocations up to this size at most; larger ones fail cleanly.
constexpr tmsize_t kMaxLibraryAllocation = tmsize_t{256} << 20;

Instance& owner(thandle_t h) {
  return *static_cast<Instance*>(h);
}

tmsize_t readProc(thandle_t h, void* buffer, tmsize_t size) {
  PlugStream* s = owner(h).head.stream;
  tmsize_t done = 0;
  while (done < size) {
    const auto step = int32_t(std::min<tmsize_t>(size - done, INT32_MAX));
    const int32_t got = s->read(s, static_cast<uint8_t*>(buffer) + done, step);
    if (got <= 0) break;
    done += got;
  }
  return done;
}

tmsize_t writeProc(thandle_t h, void* buffer, tmsize_t size) {
  Instance& in = owner(h);
  if (!plugin::writeExact(in.head.stream, buffer, size_t(size))) {
    in.shortWrite = true;
    return 0;
  }
  return size;
}

toff_t seekProc(thandle_t h, toff_t offset, int whence) {
  PlugStream* s = owner(h).head.stream;
  const int64_t at = s->seek(s, int64_t(offset), whence);
  return at < 0 ? toff_t(-1) : toff_t(at);
}

int closeProc(thandle_t) {
  return 0;
}

toff_t sizeProc(thandle_t h) {
  PlugStream* s = owner(h).head.stream;
  const int64_t here = plugin::tell(s);
  const int64_t end = s->seek(s, 0, PLUG_SEEK_END);
  s->seek(s, here, PLUG_SEEK_SET);
  return end < 0 ? 0 : toff_t(end);
}

int noMap(thandle_t, void**, toff_t*) {
  return 0;
}
void noUnmap(thandle_t, void*, toff_t) {}

int quiet(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

}  // namespace

TIFF* openTiff(Instance& in, const char* mode) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibraryAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
  TIFF* tif = TIFFClientOpenExt("stream", mode, &in, readProc, writeProc, seekProc, closeProc,
                                sizeProc, noMap, noUnmap, options);
  TIFFOpenOptionsFree(options);
  return tif;
}

bool looksLikeTiff(PlugStream* s) {
  uint8_t b[4];
  if (plugin::peek(s, b, 4) != 4) return false;
  const bool little = b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0;
  const bool big = b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43);
  return little || big;
}

void closeImage(PlugInstance* p) {
  Instance& in = of(p);
  if (in.tif != nullptr) TIFFClose(in.tif);
  plugin::deleteInstance(&in);
}

}  // namespace tessaly::plugin::tiff

PLUG_KIT_EXPORTS(tessaly::plugin::tiff::kInfo, tessaly::plugin::tiff::Instance, PLUG_FORMAT_TIFF,
                 tessaly::plugin::tiff::looksLikeTiff, tessaly::plugin::tiff::kTable)
