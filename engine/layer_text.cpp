// The text record of a text layer: a fixed-size record exchanged whole with the text tools. The
// layer keeps its own copy of the record and of the text it names, so the caller's blocks stay
// the caller's.
#include <algorithm>
#include <cstring>

#include "layer.h"
#include "owned.h"

namespace tessaly::engine {
namespace {

using Record = unsigned char[ZAN_TEXT_RECORD_SIZE];

uint32_t wordAt(const unsigned char* record, int offset) {
  uint32_t value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

// A copy of length UTF-16 units of the text block, with a terminating zero; 0 for no text. Only
// what the caller's block really holds is read.
zanHandle copyText(zanHandle text, uint32_t length) {
  if (text == 0) return 0;
  const uint64_t bytes = uint64_t{length} * 2 + 2;
  if (bytes > UINT32_MAX) _zanThrow(ZAN_ERR_ARG);
  zan::HeapBlock copy(0, static_cast<uint32_t>(bytes), ZAN_HEAP_ZEROINIT);
  if (!copy) _zanThrow(ZAN_ERR_CREATE);
  zan::HeapLock<unsigned char> source(0, text);
  if (source) {
    zan::HeapLock<unsigned char> target = copy.lock<unsigned char>();
    if (!target) _zanThrow(ZAN_ERR_CREATE);
    std::memcpy(target.get(), source.get(), std::min<uint64_t>(bytes - 2, zanHeapSize(0, text)));
  }
  return copy.release();
}

}  // namespace

int32_t storeTextRecord(Layer& layer, const void* data, uint32_t size) {
  if (data == nullptr || size < ZAN_TEXT_RECORD_SIZE) return ZAN_ERR_ARG;
  Record record;
  std::memcpy(record, data, sizeof record);
  OwnedHeapBlock textCopy(
      copyText(wordAt(record, ZAN_TEXT_HANDLE_OFFSET), wordAt(record, ZAN_TEXT_LENGTH_OFFSET)));
  const zanHandle textHandle = textCopy.get();
  std::memcpy(record + ZAN_TEXT_HANDLE_OFFSET, &textHandle, sizeof textHandle);

  zan::HeapBlock block(0, sizeof record);
  zan::HeapLock<unsigned char> target = block.lock<unsigned char>();
  if (!target) _zanThrow(ZAN_ERR_CREATE);
  std::memcpy(target.get(), record, sizeof record);
  target.unlock();
  freeTextRecord(layer);
  layer.textRecord = block.release();
  textCopy.release();  // the record owns the text now
  return ZAN_TEXT_RECORD_SIZE;
}

int32_t readTextRecord(Layer& layer, void* buffer, uint32_t size) {
  zan::HeapLock<unsigned char> record(0, layer.textRecord);
  if (record && buffer != nullptr)
    std::memcpy(buffer, record.get(), std::min<uint32_t>(size, ZAN_TEXT_RECORD_SIZE));
  // Callers have always been told 4 here, whatever was copied.
  return 4;
}

void freeTextRecord(Layer& layer) {
  if (layer.textRecord == 0) return;
  {
    zan::HeapLock<unsigned char> record(0, layer.textRecord);
    if (record) zanHeapFree(0, wordAt(record.get(), ZAN_TEXT_HANDLE_OFFSET));
  }
  zanHeapFree(0, layer.textRecord);
  layer.textRecord = 0;
}

}  // namespace tessaly::engine
