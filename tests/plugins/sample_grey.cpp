// A minimal plug-in for testing the plug-in machinery (and a worked example of the contract).
// Its format: "TGRY", width and height as 16-bit little-endian numbers, then the 8-bit grey
// pixels row by row, top row first. Format id 99 is not a real format; the module is built
// outside the loader's plug-in folder.
#include <cstring>

#include "plugin_interface.h"
#include "zanHeap.h"

namespace {

constexpr int32_t kFormatId = 99;
constexpr uint8_t kMagic[4] = {'T', 'G', 'R', 'Y'};
constexpr int32_t kHeaderBytes = 8;

const PlugInfo kInfo = {
    sizeof(PlugInfo), PLUG_INTERFACE_VERSION, kFormatId, 0, 1, 1, 1, 1, 0, 0, u"Sample grey(*.GRY)",
    u"*.GRY"};
const SaveListEntry kSaveList[] = {{PLUG_COLOR_GREY, 8}};

// The instance lives in a heap block that stays locked from GetPlugStruct to CloseImage.
struct Instance {
  PlugInstance base;
  zanHandle self;
  PlugStream* stream;
  int32_t error;
  int32_t width, height, rowsDone;
};

Instance& of(PlugInstance* p) {
  return *reinterpret_cast<Instance*>(p);
}

int32_t fail(Instance& in, int32_t code) {
  in.error = code;
  return 0;
}

bool readHeader(PlugStream* s, int32_t& width, int32_t& height) {
  uint8_t h[kHeaderBytes];
  if (s->read(s, h, kHeaderBytes) != kHeaderBytes || std::memcmp(h, kMagic, 4) != 0) return false;
  width = h[4] | (h[5] << 8);
  height = h[6] | (h[7] << 8);
  return width > 0 && height > 0;
}

int32_t openImage(PlugInstance* p, ImageInfo* info) {
  Instance& in = of(p);
  if (in.stream->seek(in.stream, 0, PLUG_SEEK_SET) != 0 ||
      !readHeader(in.stream, in.width, in.height))
    return fail(in, PLUG_ERR_BAD_DATA);
  ImageInfo own{};
  own.size = sizeof own;
  own.rowOrder = PLUG_ROWS_TOP_DOWN;
  own.colorModel = PLUG_COLOR_GREY;
  own.bits = 8;
  own.width = in.width;
  own.height = in.height;
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
  own.right = in.width;
  own.bottom = in.height;
  own.rowBytes = in.width;
  own.rowOrder = PLUG_ROWS_TOP_DOWN;
  own.visible = 1;
  own.opacity = 255;
  plugCopyOut(info, &own, sizeof own);
  in.rowsDone = 0;
  return in.stream->seek(in.stream, kHeaderBytes, PLUG_SEEK_SET) == kHeaderBytes
             ? 1
             : fail(in, PLUG_ERR_BAD_DATA);
}

int32_t readRows(PlugInstance* p, int32_t rows, uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  if (rows <= 0 || planes == nullptr || in.rowsDone + rows > in.height)
    return fail(in, PLUG_ERR_BAD_DATA);
  for (int32_t i = 0; i < rows; ++i) {
    if (in.stream->read(in.stream, planes[0] + int64_t{i} * stride, in.width) != in.width)
      return fail(in, PLUG_ERR_BAD_DATA);
  }
  in.rowsDone += rows;
  return rows;
}

int32_t createImage(PlugInstance* p, const CreateRequest* request, RowLayout* layout) {
  Instance& in = of(p);
  if (request->colorModel != PLUG_COLOR_GREY || request->bits != 8 || request->width <= 0 ||
      request->width > 0xFFFF || request->height <= 0 || request->height > 0xFFFF)
    return fail(in, PLUG_ERR_BAD_DATA);
  in.width = request->width;
  in.height = request->height;
  RowLayout own{};
  own.size = sizeof own;
  own.wantsComposite = 1;
  own.rowOrder = PLUG_ROWS_TOP_DOWN;
  own.layerOrder = PLUG_LAYERS_TOP_FIRST;
  own.rowBytes = in.width;
  plugCopyOut(layout, &own, sizeof own);
  return 1;
}

int32_t addInfo(PlugInstance*, int32_t, const void*, int32_t) {
  return 0;
}

int32_t startWriteImage(PlugInstance* p) {
  Instance& in = of(p);
  const uint8_t h[kHeaderBytes] = {kMagic[0],          kMagic[1],
                                   kMagic[2],          kMagic[3],
                                   uint8_t(in.width),  uint8_t(in.width >> 8),
                                   uint8_t(in.height), uint8_t(in.height >> 8)};
  return in.stream->write(in.stream, h, kHeaderBytes) == kHeaderBytes
             ? 1
             : fail(in, PLUG_ERR_SHORT_WRITE);
}

int32_t writeRows(PlugInstance* p, int32_t rows, const uint8_t* const* planes, int32_t stride) {
  Instance& in = of(p);
  if (rows <= 0 || planes == nullptr) return fail(in, PLUG_ERR_BAD_DATA);
  for (int32_t i = 0; i < rows; ++i) {
    if (in.stream->write(in.stream, planes[0] + int64_t{i} * stride, in.width) != in.width)
      return fail(in, PLUG_ERR_SHORT_WRITE);
  }
  return rows;
}

void closeImage(PlugInstance* p) {
  const zanHandle self = of(p).self;
  zanHeapUnlock(0, self, 1);
  zanHeapFree(0, self);
}

int32_t getError(PlugInstance* p) {
  return of(p).error;
}

int32_t getSaveList(int32_t wanted, SaveListEntry* entries) {
  constexpr int32_t have = sizeof kSaveList / sizeof kSaveList[0];
  if (entries != nullptr)
    for (int32_t i = 0; i < wanted && i < have; ++i) entries[i] = kSaveList[i];
  return have;
}

// The signature test: the header must read and the stream is left where it was.
bool probe(PlugStream* s) {
  const int64_t start = s->seek(s, 0, PLUG_SEEK_CUR);
  int32_t width, height;
  const bool ok = start >= 0 && readHeader(s, width, height);
  s->seek(s, start, PLUG_SEEK_SET);
  return ok;
}

}  // namespace

extern "C" {

PLUG_EXPORT int32_t GetPlugInfo(PlugInfo* info) {
  plugCopyOut(info, &kInfo, sizeof kInfo);
  return 1;
}

PLUG_EXPORT PlugInstance* GetPlugStruct(PlugStream* stream, int32_t forWriting, int32_t formatId) {
  if (stream == nullptr || (formatId != PLUG_FORMAT_ANY && formatId != kFormatId)) return nullptr;
  if (!forWriting && !probe(stream)) return nullptr;
  const zanHandle self = zanHeapAlloc(0, sizeof(Instance), ZAN_HEAP_ZEROINIT);
  auto* in = static_cast<Instance*>(zanHeapLock(0, self, 0));
  if (in == nullptr) {
    zanHeapFree(0, self);
    return nullptr;
  }
  in->self = self;
  in->stream = stream;
  PlugFunctionTable& t = in->base.table;
  t.OpenImage = openImage;
  t.EnumImageInfo = enumNothing;
  t.StartReadImage = startReadImage;
  t.ReadRows = readRows;
  t.CreateImage = createImage;
  t.AddImageInfo = addInfo;
  t.StartWriteImage = startWriteImage;
  t.WriteRows = writeRows;
  t.CloseImage = closeImage;
  t.GetError = getError;
  t.GetSaveList = getSaveList;
  return &in->base;
}

}  // extern "C"
