// Loading and unloading the file-format plug-ins, and choosing a writer by extension.
#include "plugin_host.h"

#include <filesystem>

#include "export_guard.h"
#include "zanFileIO.h"
#include "zanengin.h"

namespace tessaly::engine {
namespace {

char16_t upper(char16_t c) {
  return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
}

std::u16string upperCased(std::u16string text) {
  for (char16_t& c : text) c = upper(c);
  return text;
}

// The text of name from its last '.' on, upper-cased; empty when it has none.
std::u16string extensionOf(const std::u16string& name) {
  const size_t dot = name.find_last_of(u'.');
  const size_t slash = name.find_last_of(u'/');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && slash > dot)) return {};
  return upperCased(name.substr(dot));
}

// Whether the ';'-separated list ("*.EMF;*.WMF") holds the extension: each entry counts from its
// dot up to the next ';'.
bool listHolds(const char16_t* list, size_t units, const std::u16string& extension) {
  const std::u16string text = streamName(list).substr(0, units);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find(u';', start);
    if (end == std::u16string::npos) end = text.size();
    const size_t dot = text.find(u'.', start);
    if (dot != std::u16string::npos && dot < end &&
        upperCased(text.substr(dot, end - dot)) == extension)
      return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

std::u16string streamName(const char16_t* streamPath) {
  if (streamPath == nullptr) return {};
  size_t length = 0;
  while (length < ZANIO_NAME_UNITS && streamPath[length] != 0) ++length;
  return std::u16string(streamPath, length);
}

std::string utf8Path(const std::u16string& name) {
  const std::u8string text = std::filesystem::path(name).u8string();
  return std::string(text.begin(), text.end());
}

int32_t findWriterByExtension(const std::u16string& name) {
  const std::u16string extension = extensionOf(name);
  if (extension.empty()) return 0;
  const int32_t count = zanIOGetPlugCount();
  for (int32_t i = 0; i < count; ++i) {
    PlugInfo info{};
    info.size = sizeof info;
    if (zanIOEnumPlugsInfo(i, &info) != 1 || info.canWrite != 1) continue;  // disabled
    if (listHolds(info.extensions, PLUG_TEXT_UNITS, extension)) return info.formatId;
  }
  return 0;
}

}  // namespace tessaly::engine

extern "C" {

ZAN_API int32_t zanLoadFilePlugIns(const char* folder) {
  return _zanIOLoadPlugsEx(folder);
}

ZAN_API int32_t zanUnloadFilePlugIns(void* /*reserved*/) {
  return zanIOUnloadPlugs();
}

}  // extern "C"
