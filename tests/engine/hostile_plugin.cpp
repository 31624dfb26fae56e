// A reader plug-in for the engine's tests that believes whatever its file says: the file is
// "HOST" followed by 32-bit little-endian words (colour model, bits, channels, image width and
// height, the layer's right and bottom edges, row bytes, rows answered per read (-1: as many
// as asked), row order), and
// every row it delivers is filled with 0x5A up to the row bytes it claims (at most the stride it
// is given). It lets the tests hand the engine sizes no honest plug-in would.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "plugin_interface.h"
#include "zanHeap.h"

namespace {

constexpr int32_t kFormatId = 98;
constexpr int32_t kWords = 10;

const PlugInfo kInfo = {
    sizeof(PlugInfo), PLUG_INTERFACE_VERSION, kFormatId, 0, 1, 0, 0, 0, 0, 0, u"Hostile(*.HST)",
    u"*.HST"};

struct Instance {
  PlugInstance base;
  zanHandle self;
  PlugStream* stream;
  int32_t word[kWords];
};

Instance& of(PlugInstance* p) {
  return *reinterpret_cast<Instance*>(p);
}

bool readHeader(PlugStream* s, int32_t* word) {
  uint8_t magic[4];
  if (s->read(s, magic, 4) != 4 || std::memcmp(magic, "HOST", 4) != 0) return false;
  return s->read(s, word, kWords * 4) == kWords * 4;
}

int32_t openImage(PlugInstance* p, ImageInfo* info) {
  Instance& in = of(p);
  ImageInfo own{};
  own.size = sizeof own;
  own.rowOrder = PLUG_ROWS_TOP_DOWN;
  own.colorModel = in.word[0];
  own.bits = in.word[1];
  own.channels = in.word[2];
  own.width = in.word[3];
  own.height = in.word[4];
  plugCopyOut(info, &own, sizeof own);
  return 1;
}

void enumNothing(PlugInstance*, PlugInfoCallback, void*) {}

int32_t startReadImage(PlugInstance* p, LayerInfo* info) {
  Instance& in = of(p);
  LayerInfo own{};
  own.size = sizeof own;
  own.kind = 1;
  own.planes = 1;
  own.right = in.word[5];
  own.bottom = in.word[6];
  own.rowBytes = in.word[7];
  own.rowOrder = in.word[9];
  own.visible = 1;
  own.opacity = 255;
  plugCopyOut(info, &own, sizeof own);
  return 1;
}

int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  const int32_t bytes = std::min(in.word[7], std::abs(stride));
  for (int32_t i = 0; i < rows; ++i)
    for (int32_t plane = 0; plane < 4 && planes[plane] != nullptr; ++plane)
      std::memset(planes[plane] + int64_t{i} * stride, 0x5A, size_t(std::max(bytes, 0)));
  return in.word[8] < 0 ? rows : in.word[8];  // a negative claim: as many as asked
}

void closeImage(PlugInstance* p) {
  const zanHandle self = of(p).self;
  zanHeapUnlock(0, self, 1);
  zanHeapFree(0, self);
}

int32_t getError(PlugInstance*) {
  return PLUG_ERR_BAD_DATA;
}

int32_t getSaveList(int32_t, SaveListEntry*) {
  return 0;
}

}  // namespace

extern "C" {

PLUG_EXPORT int32_t GetPlugInfo(PlugInfo* info) {
  plugCopyOut(info, &kInfo, sizeof kInfo);
  return 1;
}

PLUG_EXPORT PlugInstance* GetPlugStruct(PlugStream* stream, int32_t forWriting, int32_t formatId) {
  if (stream == nullptr || forWriting || (formatId != PLUG_FORMAT_ANY && formatId != kFormatId))
    return nullptr;
  int32_t word[kWords];
  const int64_t start = stream->seek(stream, 0, PLUG_SEEK_CUR);
  const bool ok = readHeader(stream, word);
  stream->seek(stream, start, PLUG_SEEK_SET);
  if (!ok) return nullptr;
  const zanHandle self = zanHeapAlloc(0, sizeof(Instance), ZAN_HEAP_ZEROINIT);
  auto* in = static_cast<Instance*>(zanHeapLock(0, self, 0));
  if (in == nullptr) {
    zanHeapFree(0, self);
    return nullptr;
  }
  in->self = self;
  in->stream = stream;
  std::memcpy(in->word, word, sizeof word);
  PlugFunctionTable& t = in->base.table;
  t.OpenImage = openImage;
  t.EnumImageInfo = enumNothing;
  t.EnumLayerInfo = enumNothing;
  t.StartReadImage = startReadImage;
  t.StartReadLayer = startReadImage;
  t.ReadRows = readRows;
  t.CloseImage = closeImage;
  t.GetError = getError;
  t.GetSaveList = getSaveList;
  return &in->base;
}

}  // extern "C"
