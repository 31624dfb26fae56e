// The Targa plug-in's two exports, its static description and the operations reading and
// writing share: closing, the error code, the save list and the instance's buffers.
#include "plugin_interface.h"
#include "tga_instance.h"

namespace tessaly::plugin::tga {
namespace {

const PlugInfo kInfo = {.size = sizeof(PlugInfo),
                        .version = PLUG_INTERFACE_VERSION,
                        .formatId = PLUG_FORMAT_TGA,
                        .flagA = 0,
                        .canRead = 1,
                        .canWrite = 1,
                        .flagC = 1,
                        .flagD = 1,
                        .valueE = 0,
                        .valueF = 0,
                        .description = u"Targa(*.TGA)",
                        .extensions = u"*.TGA"};

// The layouts the writer takes: blue-green-red 24-bit, indexed 8-bit and grey 8-bit.
const SaveListEntry kSaveList[] = {
    {PLUG_COLOR_BGR, 24}, {PLUG_COLOR_INDEXED, 8}, {PLUG_COLOR_GREY, 8}};
constexpr int32_t kSaveListCount = sizeof kSaveList / sizeof kSaveList[0];

void closeImage(PlugInstance* p) {
  Instance& in = instanceOf(p);
  freeBuffer(in.input);
  freeBuffer(in.fileRow);
  freeBuffer(in.encoded);
  const zanHandle self = in.self;
  zanHeapUnlock(0, self, 1);
  zanHeapFree(0, self);
}

int32_t getError(PlugInstance* p) {
  return instanceOf(p).error;
}

int32_t getSaveList(int32_t wanted, SaveListEntry* entries) {
  if (entries != nullptr)
    for (int32_t i = 0; i < wanted && i < kSaveListCount; ++i) entries[i] = kSaveList[i];
  return kSaveListCount;
}

}  // namespace

void allocateBuffer(Buffer& b, uint32_t size) {
  freeBuffer(b);
  const zanHandle h = zanHeapAlloc(0, size, 0);
  void* data = zanHeapLock(0, h, 0);
  if (data == nullptr) {
    zanHeapFree(0, h);
    _zanThrow(PLUG_ERR_NO_MEMORY);
  }
  b = Buffer{h, static_cast<uint8_t*>(data), size};
}

void freeBuffer(Buffer& b) {
  if (b.handle == 0) return;
  zanHeapUnlock(0, b.handle, 1);
  zanHeapFree(0, b.handle);
  b = Buffer{};
}

}  // namespace tessaly::plugin::tga

extern "C" {

PLUG_EXPORT int32_t GetPlugInfo(PlugInfo* info) {
  plugCopyOut(info, &tessaly::plugin::tga::kInfo, sizeof tessaly::plugin::tga::kInfo);
  return 1;
}

PLUG_EXPORT PlugInstance* GetPlugStruct(PlugStream* stream, int32_t forWriting, int32_t formatId) {
  if (stream == nullptr || (formatId != PLUG_FORMAT_ANY && formatId != PLUG_FORMAT_TGA))
    return nullptr;
  if (!forWriting && !tessaly::plugin::tga::probe(stream)) return nullptr;
  const zanHandle self = zanHeapAlloc(0, sizeof(tessaly::plugin::tga::Instance), ZAN_HEAP_ZEROINIT);
  auto* in = static_cast<tessaly::plugin::tga::Instance*>(zanHeapLock(0, self, 0));
  if (in == nullptr) {
    zanHeapFree(0, self);
    return nullptr;
  }
  in->self = self;
  in->stream = stream;
  in->forWriting = forWriting != 0;
  // Until something more precise is known, a failure is one of the file's data.
  in->error = PLUG_ERR_BAD_DATA;
  // Both halves of the table are filled whatever the direction, so a loader never meets a
  // null slot that the plug-in's description promises; the other direction's operations refuse.
  PlugFunctionTable& t = in->base.table;
  tessaly::plugin::tga::fillReadSlots(t);
  tessaly::plugin::tga::fillWriteSlots(t);
  t.CloseImage = tessaly::plugin::tga::closeImage;
  t.GetError = tessaly::plugin::tga::getError;
  t.GetSaveList = tessaly::plugin::tga::getSaveList;
  return &in->base;
}

}  // extern "C"
