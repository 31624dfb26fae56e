// plugin_kit.h: the pieces that the format plug-ins built on outside libraries share: instances in
// the platform heap, heap row buffers, exact stream transfers, the records a reader hands out,
// resolution tags and a few pixel-row helpers.
//
// An instance record T begins with an InstanceHead named head (whose first member is the
// PlugInstance the loader sees). newInstance places it in a block of the default heap that stays
// locked until deleteInstance, so it never moves and may hold C++ members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>

#include "plugin_interface.h"
#include "zanError.h"
#include "zanHeap.h"

namespace tessaly::plugin {

// Images wider or taller than this are refused: no format of ours needs more, and it keeps every
// row size far from 32-bit overflow.
constexpr int32_t kMaxDimension = 1 << 20;
// Largest single working buffer a reader takes (a tile row, a whole interlaced image).
constexpr uint64_t kMaxBufferBytes = uint64_t{1} << 29;

// Resolutions: 0 means unknown. Conversions round to the nearest whole number.
struct Resolution {
  int32_t x = 0, y = 0;  // dots per inch
};

// The description of a plug-in of ours that reads and writes formatId, with the loader flags its
// per-format table gives every such plug-in.
constexpr PlugInfo readWriteInfo(int32_t formatId, const char16_t* description,
                                 const char16_t* extensions) {
  PlugInfo info{.size = sizeof(PlugInfo),
                .version = PLUG_INTERFACE_VERSION,
                .formatId = formatId,
                .flagA = 0,
                .canRead = 1,
                .canWrite = 1,
                .flagC = 1,
                .flagD = 1,
                .valueE = 0,
                .valueF = 0,
                .description = {},
                .extensions = {}};
  for (int i = 0; i + 1 < PLUG_TEXT_UNITS && description[i] != 0; ++i)
    info.description[i] = description[i];
  for (int i = 0; i + 1 < PLUG_TEXT_UNITS && extensions[i] != 0; ++i)
    info.extensions[i] = extensions[i];
  return info;
}

struct InstanceHead {
  PlugInstance base;  // first: the loader sees only the table
  zanHandle self;     // the heap block that holds the instance
  PlugStream* stream;
  int32_t error;
  Resolution resolution;  // a reader's: the file's; a writer's: what AddImageInfo gave
  const char* warning;    // a reader's reservation about the file (static text), or null
  bool forWriting;        // what GetPlugStruct was asked for
  // Set by guarded when an operation failed: a plug-in whose failures may leave the stream at an
  // unknown place refuses the rows that follow.
  bool broken;
};

template <typename T>
T& instanceOf(PlugInstance* p) {
  return *reinterpret_cast<T*>(p);
}

// A new, value-initialised T in a locked block of the default heap with table copied in; null
// when memory runs out.
template <typename T>
T* newInstance(PlugStream* stream, const PlugFunctionTable& table) {
  const zanHandle block = zanHeapAlloc(0, sizeof(T), ZAN_HEAP_ZEROINIT);
  void* memory = zanHeapLock(0, block, 0);
  if (memory == nullptr) {
    zanHeapFree(0, block);
    return nullptr;
  }
  T* instance = new (memory) T();
  static_assert(offsetof(T, head) == 0, "the instance must begin with its head");
  instance->head.base.table = table;
  instance->head.self = block;
  instance->head.stream = stream;
  return instance;
}

template <typename T>
void deleteInstance(T* instance) {
  const zanHandle block = instance->head.self;
  instance->~T();
  zanHeapUnlock(0, block, 1);
  zanHeapFree(0, block);
}

// GetPlugStruct of a plug-in whose instance record is T: null for a foreign format id (without
// touching the stream), for reading when probe refuses the stream, or when memory runs out.
template <typename T>
PlugInstance* makeInstance(PlugStream* stream, int32_t forWriting, int32_t formatId, int32_t ownId,
                           bool (*probe)(PlugStream*), const PlugFunctionTable& table) {
  if (stream == nullptr || (formatId != PLUG_FORMAT_ANY && formatId != ownId)) return nullptr;
  if (!forWriting && !probe(stream)) return nullptr;
  T* instance = newInstance<T>(stream, table);
  if (instance == nullptr) return nullptr;
  instance->head.forWriting = forWriting != 0;
  return &instance->head.base;
}

// CloseImage of a plug-in whose instance record is T.
template <typename T>
void closeInstance(PlugInstance* p) {
  deleteInstance(&instanceOf<T>(p));
}

// GetError of every instance that begins with an InstanceHead.
inline int32_t lastError(PlugInstance* p) {
  return reinterpret_cast<InstanceHead*>(p)->error;
}

// Records code for GetError and returns 0, the failure result of every operation.
inline int32_t fail(InstanceHead& head, int32_t code) {
  head.error = code;
  return 0;
}

// Runs body (which returns the operation's result); a zan::Error raised inside becomes its code,
// running out of memory becomes PLUG_ERR_NO_MEMORY, anything else PLUG_ERR_BAD_DATA; the
// operation then answers 0 and the head is marked broken.
template <typename Body>
int32_t guarded(InstanceHead& head, Body&& body) noexcept {
  int32_t code;
  try {
    return body();
  } catch (const zan::Error& e) {
    code = e.code();
  } catch (const std::bad_alloc&) {
    code = PLUG_ERR_NO_MEMORY;
  } catch (...) {
    code = PLUG_ERR_BAD_DATA;
  }
  head.broken = true;
  return fail(head, code);
}

// A zeroed buffer in a locked block of the default heap, freed with its owner.
class HeapBuffer {
 public:
  HeapBuffer() = default;
  HeapBuffer(const HeapBuffer&) = delete;
  HeapBuffer& operator=(const HeapBuffer&) = delete;
  ~HeapBuffer() { reset(); }
  // Replaces the buffer with a zeroed one of bytes bytes; false when that cannot be had.
  bool allocate(uint64_t bytes);
  // As allocate, but raises PLUG_ERR_NO_MEMORY on failure.
  void require(uint64_t bytes);
  void reset();
  uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  zanHandle handle_ = 0;
  uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// Stream transfers that succeed only when every byte moved.
bool readExact(PlugStream* s, void* buffer, std::size_t count);
bool writeExact(PlugStream* s, const void* buffer, std::size_t count);
// Skips count bytes forward; false when the stream cannot seek there.
bool skip(PlugStream* s, int64_t count);
inline int64_t tell(PlugStream* s) {
  return s->seek(s, 0, PLUG_SEEK_CUR);
}

// Reads up to count bytes at the stream's current position into bytes and puts the position
// back; returns the number read. Signature tests use it, so probing never moves the stream.
int32_t peek(PlugStream* s, uint8_t* bytes, int32_t count);

// Little-endian fields of file headers.
inline uint16_t le16(const uint8_t* p) {
  return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
  put16(p, v);
  put16(p + 2, v >> 16);
}

int32_t dpiFromPixelsPerMetre(uint32_t ppm);
uint32_t pixelsPerMetreFromDpi(int32_t dpi);
// EnumImageInfo: reports the head's known resolutions as tags 14001 / 14002 and its warning as
// tag 14003.
void enumHeadInfo(PlugInstance* p, PlugInfoCallback callback, void* user);
// AddImageInfo: keeps tags 14001 / 14002 in the head's resolution (1), answers 0 to others.
int32_t addResolution(PlugInstance* p, int32_t tag, const void* value, int32_t size);

// What a reader delivers, from which it fills ImageInfo and LayerInfo.
struct Delivery {
  int32_t width, height;
  int32_t colorModel, bits, channels;
  int32_t rowOrder;
  int32_t rowBytes;    // bytes of one delivered row
  int32_t layerCount;  // 1 when the pixels carry their own alpha
  int32_t hasAlpha;
  int32_t paletteCount;  // 0 = no palette
  PlugPaletteEntry palette[256];
};
void copyImageInfo(const Delivery& d, ImageInfo* caller);
void copyLayerInfo(const Delivery& d, LayerInfo* caller);
// Fills the palette with count grey levels spread over 0..255.
void greyPalette(PlugPaletteEntry* palette, int32_t count);
// True when width and height lie in 1..kMaxDimension.
bool sizeAllowed(int64_t width, int64_t height);

// True when the request is there, its size is one the plug-ins take and (colorModel, bits) is
// an entry of the writer's save list.
bool acceptable(const CreateRequest* request, const SaveListEntry* list, int32_t count);
template <std::size_t count>
bool acceptable(const CreateRequest* request, const SaveListEntry (&list)[count]) {
  return acceptable(request, list, int32_t(count));
}
// The palette a writer stores for an 8-bit source: the request's own, else 256 grey levels.
// Returns the entry count.
int32_t takePalette(const CreateRequest& request, PlugPaletteEntry* palette);
// Answers CreateImage's RowLayout for a single-image writer.
void copyRowLayout(RowLayout* caller, int32_t rowOrder, int32_t rowBytes);

// GetSaveList over a constant table.
int32_t copySaveList(const SaveListEntry* own, int32_t have, int32_t wanted, SaveListEntry* out);
// The GetSaveList slot of a writer whose save list is the constant array list.
template <const auto& list>
int32_t saveListOf(int32_t wanted, SaveListEntry* out) {
  return copySaveList(list, int32_t(std::size(list)), wanted, out);
}
// True when (colorModel, bits) is an entry of the table.
bool inSaveList(const SaveListEntry* own, int32_t have, int32_t colorModel, int32_t bits);

// Row i of a buffer whose first row is at first; the stride may be negative.
inline uint8_t* rowAt(uint8_t* const* planes, int32_t i, int32_t stride) {
  return planes[0] + int64_t{i} * stride;
}
inline const uint8_t* rowAt(const uint8_t* const* planes, int32_t i, int32_t stride) {
  return planes[0] + int64_t{i} * stride;
}

// Spreads count samples of bits bits (1, 2 or 4; first sample in the high bits) into one byte
// each. With scale the values are stretched to 0..255 (grey levels), else kept (indices).
void unpackSamples(const uint8_t* packed, uint8_t* out, int32_t count, int bits, bool scale);
// Swaps the first and third of every three bytes (RGB <-> BGR), from in to out (may be equal).
void swapRedBlue(const uint8_t* in, uint8_t* out, int32_t pixels);
// The same for pixels of three 16-bit samples.
void swapRedBlue16(const uint8_t* in, uint8_t* out, int32_t pixels);

// Table slots that do nothing: the plug-ins supply them only to complete the table.
void enumNothing(PlugInstance*, PlugInfoCallback, void*);
int32_t acceptNothing(PlugInstance*, int32_t, const void*, int32_t);

// The function table of a single-image plug-in of ours: StartReadLayer does what
// StartReadImage does, the resolutions go through the head (enumHeadInfo, addResolution),
// AddLayerInfo takes nothing and the layer-only slots stay empty.
struct SingleImageSlots {
  decltype(PlugFunctionTable::OpenImage) open;
  decltype(PlugFunctionTable::StartReadImage) startRead;
  decltype(PlugFunctionTable::ReadRows) readRows;
  decltype(PlugFunctionTable::CreateImage) create;
  decltype(PlugFunctionTable::StartWriteImage) startWrite;
  decltype(PlugFunctionTable::WriteRows) writeRows;
  decltype(PlugFunctionTable::CloseImage) close;
  decltype(PlugFunctionTable::GetSaveList) saveList;
};
inline PlugFunctionTable singleImageTable(const SingleImageSlots& s) {
  return {.OpenImage = s.open,
          .reserved1 = nullptr,
          .EnumImageInfo = enumHeadInfo,
          .EnumLayerInfo = nullptr,
          .StartReadImage = s.startRead,
          .StartReadLayer = s.startRead,
          .ReadRows = s.readRows,
          .reserved7 = nullptr,
          .CreateImage = s.create,
          .CreateLayer = nullptr,
          .AddImageInfo = addResolution,
          .AddLayerInfo = acceptNothing,
          .StartWriteImage = s.startWrite,
          .StartWriteLayer = nullptr,
          .WriteRows = s.writeRows,
          .NextLayer = nullptr,
          .CloseImage = s.close,
          .GetError = lastError,
          .GetSaveList = s.saveList};
}

}  // namespace tessaly::plugin

// Defines the two exports of a plug-in: its description info, its instance record Instance,
// its format id, its signature test probe and its function table.
#define PLUG_KIT_EXPORTS(info, Instance, formatId, probe, table)                               \
  extern "C" PLUG_EXPORT int32_t GetPlugInfo(PlugInfo* caller) {                               \
    plugCopyOut(caller, &(info), sizeof(info));                                                \
    return 1;                                                                                  \
  }                                                                                            \
  extern "C" PLUG_EXPORT PlugInstance* GetPlugStruct(PlugStream* stream, int32_t forWriting,   \
                                                     int32_t asked) {                          \
    return tessaly::plugin::makeInstance<Instance>(stream, forWriting, asked, formatId, probe, \
                                                   table);                                     \
  }
