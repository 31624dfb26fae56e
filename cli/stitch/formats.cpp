#include "formats.h"

#include <cctype>
#include <vector>

#include "exit_codes.h"
#include "zanFileIO.h"

namespace tessaly::cli::stitch {

namespace {

// Plug-in texts are UTF-16 but hold only ASCII names and patterns.
std::string narrow(const char16_t* text, size_t units) {
  std::string out;
  for (size_t i = 0; i < units && text[i] != 0; ++i) {
    out += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
  }
  return out;
}

template <typename Visit>
void forEachPlugin(Visit&& visit) {
  const int32_t count = zanIOGetPlugCount();
  for (int32_t i = 0; i < count; ++i) {
    PlugInfo info{};
    info.size = sizeof info;
    if (zanIOEnumPlugsInfo(i, &info) == 1) visit(info);
  }
}

}  // namespace

void loadFormatPlugins() {
  if (_zanIOLoadPlugsEx(nullptr) > 0) return;
  std::vector<char> folder(size_t(zanIOPlugFolder(nullptr, 0)) + 1);
  zanIOPlugFolder(folder.data(), static_cast<int32_t>(folder.size()));
  throw Failure(ExitCode::Setup, "no file-format plug-ins found in '" + std::string(folder.data()) +
                                     "'; rebuild or reinstall the program");
}

int32_t writerFormatFor(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.find('.') == std::string::npos) return 0;  // no extension at all
  return zanIOFindFormatByExtension(name.c_str(), 1);
}

std::string writableExtensions() {
  std::string list;
  forEachPlugin([&](const PlugInfo& info) {
    if (info.canWrite != 1) return;
    // Patterns look like "*.JPG;*.JPEG".
    std::string patterns = narrow(info.extensions, PLUG_TEXT_UNITS);
    size_t start = 0;
    while (start < patterns.size()) {
      size_t end = patterns.find(';', start);
      if (end == std::string::npos) end = patterns.size();
      std::string pattern = patterns.substr(start, end - start);
      if (pattern.rfind("*.", 0) == 0) {
        for (char& c : pattern) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        list += (list.empty() ? "" : ", ") + pattern.substr(1);
      }
      start = end + 1;
    }
  });
  return list;
}

std::string formatName(int32_t formatId) {
  std::string name;
  forEachPlugin([&](const PlugInfo& info) {
    if (!name.empty() || info.formatId != formatId) return;
    name = narrow(info.description, PLUG_TEXT_UNITS);
    name = name.substr(0, name.find('('));
    while (!name.empty() && name.back() == ' ') name.pop_back();
  });
  return name.empty() ? "format " + std::to_string(formatId) : name;
}

}  // namespace tessaly::cli::stitch
