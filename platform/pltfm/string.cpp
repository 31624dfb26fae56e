// Platform strings: UTF-16 units and a terminating zero in a block of the default heap.
#include <algorithm>
#include <cstring>
#include <string>

#include "no_throw.h"
#include "utf.h"
#include "zanHeap.h"
#include "zanStr.h"

namespace {

using tessaly::pltfm::noThrow;

// A new string block holding units and the terminator; 0 when memory runs out.
zanHandle makeString(std::u16string_view units) {
  if (units.size() >= (UINT32_MAX / sizeof(char16_t)) - 1) return 0;
  const auto bytes = static_cast<uint32_t>((units.size() + 1) * sizeof(char16_t));
  zan::HeapBlock block(0, bytes, ZAN_HEAP_ZEROINIT);
  zan::HeapLock<char16_t> text = block.lock<char16_t>();
  if (!text) return 0;
  std::copy(units.begin(), units.end(), text.get());
  text.unlock();
  return block.release();
}

// The units of a string up to its terminator (or the end of the block, should the terminator be
// missing); empty for handle 0 or a handle that is not live.
std::u16string readString(zanHandle string) {
  zan::HeapLock<char16_t> text(0, string);
  if (!text) return {};
  const std::size_t capacity = text.count();
  return std::u16string(text.get(), std::find(text.get(), text.get() + capacity, u'\0'));
}

}  // namespace

extern "C" {

ZAN_API zanHandle zanStrFromCStr(const char* text) {
  if (text == nullptr) return 0;
  return noThrow(zanHandle{0}, [&] { return makeString(tessaly::pltfm::utf8ToUtf16(text)); });
}

ZAN_API zanHandle zanStrFromUtf16(const char16_t* units, int32_t count) {
  if (units == nullptr) return 0;
  const std::u16string_view view =
      count < 0 ? std::u16string_view(units) : std::u16string_view(units, std::size_t(count));
  return noThrow(zanHandle{0}, [&] { return makeString(view); });
}

ZAN_API int32_t zanStrToCStr(zanHandle string, char* buffer, int32_t size) {
  if (string != 0 && zanHeapSize(0, string) == 0) return -1;
  return noThrow(-1, [&] {
    const std::string utf8 = tessaly::pltfm::utf16ToUtf8(readString(string));
    if (buffer != nullptr && size > 0) {
      const std::size_t n = tessaly::pltfm::utf8PrefixLength(utf8, std::size_t(size) - 1);
      std::memcpy(buffer, utf8.data(), n);
      buffer[n] = '\0';
    }
    return static_cast<int32_t>(std::min<std::size_t>(utf8.size(), INT32_MAX));
  });
}

ZAN_API zanHandle zanStrCopy(zanHandle string) {
  if (string == 0) return 0;
  return noThrow(zanHandle{0}, [&] { return makeString(readString(string)); });
}

ZAN_API int32_t zanStrCmp(zanHandle a, zanHandle b) {
  return noThrow(0, [&] {
    const int c = readString(a).compare(readString(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  });
}

ZAN_API int32_t zanStrLen(zanHandle string) {
  return noThrow(0, [&] { return static_cast<int32_t>(readString(string).size()); });
}

ZAN_API int32_t zanStrUppercase(zanHandle string) {
  zan::HeapLock<char16_t> text(0, string);
  if (!text) return 0;
  const std::size_t capacity = text.count();
  for (char16_t* u = text.get(); u != text.get() + capacity && *u != 0; ++u) {
    if ((*u >= u'a' && *u <= u'z') || (*u >= 0xE0 && *u <= 0xFE && *u != 0xF7)) *u -= 0x20;
  }
  text.markModified();
  return 1;
}

ZAN_API int32_t zanStrChar(zanHandle string, char16_t c) {
  return noThrow(-1, [&] {
    const std::size_t at = readString(string).find(c);
    return at == std::u16string::npos ? -1 : static_cast<int32_t>(at);
  });
}

ZAN_API int32_t zanStrRChar(zanHandle string, char16_t c) {
  return noThrow(-1, [&] {
    const std::size_t at = readString(string).rfind(c);
    return at == std::u16string::npos ? -1 : static_cast<int32_t>(at);
  });
}

}  // extern "C"
