#include "registry.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "zanFileIO.h"

namespace tessaly::fileio {
namespace {

namespace fs = std::filesystem;

// A stream with nothing behind it: writers are made on it only to ask for their save list, and
// they write nothing before StartWriteImage.
int32_t nothingRead(PlugStream*, void*, int32_t) {
  return 0;
}
int32_t nothingWritten(PlugStream*, const void*, int32_t) {
  return 0;
}
int64_t noSeek(PlugStream*, int64_t, int32_t) {
  return -1;
}
int32_t noName(PlugStream*, char16_t*) {
  return 0;
}

std::vector<SaveListEntry> askSaveList(const Plugin& p) {
  PlugStream nowhere = {nothingRead, nothingWritten, noSeek, noName};
  PlugInstance* writer = p.getStruct(&nowhere, 1, p.info.formatId);
  if (writer == nullptr) return {};
  std::vector<SaveListEntry> list;
  if (writer->table.GetSaveList != nullptr) {
    constexpr int32_t kMostEntries = 64;
    const int32_t have = std::clamp(writer->table.GetSaveList(0, nullptr), 0, kMostEntries);
    list.resize(size_t(have));
    writer->table.GetSaveList(have, list.data());
  }
  if (writer->table.CloseImage != nullptr) writer->table.CloseImage(writer);
  return list;
}

// The extensions of a pattern list such as "*.JPG;*.JPEG": each from its dot up to the next ';'.
std::vector<std::string> extensionsOf(const char16_t* patterns) {
  std::vector<std::string> out;
  std::string current;
  bool inExtension = false;
  for (int i = 0; i < PLUG_TEXT_UNITS && patterns[i] != 0; ++i) {
    const char16_t c = patterns[i];
    if (c == u';') {
      if (inExtension) out.push_back(current);
      current.clear();
      inExtension = false;
    } else if (c == u'.' && !inExtension) {
      inExtension = true;
      current.assign(1, '.');
    } else if (inExtension) {
      current += c < 0x80 ? char(c >= u'a' && c <= u'z' ? c - 32 : c) : '?';
    }
  }
  if (inExtension) out.push_back(current);
  return out;
}

std::unique_ptr<Plugin> openModule(const std::string& path) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return nullptr;
  auto p = std::make_unique<Plugin>();
  p->path = path;
  p->module = module;
  auto getInfo = reinterpret_cast<GetPlugInfoProc>(dlsym(module, PLUG_GETPLUGINFO_NAME));
  p->getStruct = reinterpret_cast<GetPlugStructProc>(dlsym(module, PLUG_GETPLUGSTRUCT_NAME));
  p->info.size = sizeof p->info;
  if (getInfo == nullptr || p->getStruct == nullptr || getInfo(&p->info) != 1 ||
      p->info.size != int32_t(sizeof p->info) || p->info.version != PLUG_INTERFACE_VERSION) {
    dlclose(module);
    return nullptr;
  }
  p->info.description[PLUG_TEXT_UNITS - 1] = 0;
  p->info.extensions[PLUG_TEXT_UNITS - 1] = 0;
  p->extensions = extensionsOf(p->info.extensions);
  if (p->info.canWrite == 1) p->saveList = askSaveList(*p);
  return p;
}

}  // namespace

bool Plugin::accepts(int32_t colorModel, int32_t bits) const {
  return std::any_of(saveList.begin(), saveList.end(), [&](const SaveListEntry& e) {
    return e.colorModel == colorModel && e.bits == bits;
  });
}

bool Plugin::hasExtension(std::string_view upperExtension) const {
  return !upperExtension.empty() &&
         std::find(extensions.begin(), extensions.end(), upperExtension) != extensions.end();
}

Registry& Registry::instance() {
  static Registry registry;
  return registry;
}

bool Registry::loaded(const std::string& path) const {
  return std::any_of(plugins_.begin(), plugins_.end(),
                     [&](const std::unique_ptr<Plugin>& p) { return p->path == path; });
}

int32_t Registry::load(const std::string& folder) {
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) return ZANIO_ERR_NO_FOLDER;
  std::vector<std::string> paths;
  for (; entries != fs::directory_iterator(); entries.increment(error)) {
    std::error_code skipped;  // an entry that cannot be examined is passed over
    const fs::path& path = entries->path();
    if (path.extension() == ".fll" && entries->is_regular_file(skipped))
      paths.push_back(fs::weakly_canonical(path, skipped).string());
    if (error) break;
  }
  std::sort(paths.begin(), paths.end());
  for (const std::string& path : paths) {
    if (loaded(path)) continue;
    if (std::unique_ptr<Plugin> p = openModule(path)) plugins_.push_back(std::move(p));
  }
  return count();
}

int32_t Registry::unload() {
  if (open_ > 0) return ZANIO_ERR_BUSY;
  for (const std::unique_ptr<Plugin>& p : plugins_) dlclose(p->module);
  plugins_.clear();
  return ZANIO_OK;
}

Plugin* Registry::at(int32_t index) {
  return index >= 0 && index < count() ? plugins_[size_t(index)].get() : nullptr;
}

const Plugin* Registry::writerOf(int32_t formatId) const {
  for (const std::unique_ptr<Plugin>& p : plugins_)
    if (p->writes() && p->info.formatId == formatId) return p.get();
  return nullptr;
}

int32_t Registry::formatByExtension(std::string_view upperExtension, bool forWriting) const {
  for (const std::unique_ptr<Plugin>& p : plugins_) {
    const bool usable = forWriting ? p->writes() : p->enabled;
    if (usable && p->hasExtension(upperExtension)) return p->info.formatId;
  }
  return 0;
}

std::vector<const Plugin*> Registry::readersFor(int32_t formatId,
                                                std::string_view upperExtension) const {
  std::vector<const Plugin*> named, others;
  for (const std::unique_ptr<Plugin>& p : plugins_) {
    if (!p->reads() || (formatId != 0 && p->info.formatId != formatId)) continue;
    (p->hasExtension(upperExtension) ? named : others).push_back(p.get());
  }
  named.insert(named.end(), others.begin(), others.end());
  return named;
}

std::string defaultPluginFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "plugins";
  return (fs::path(std::string(path, size_t(n))).parent_path() / "plugins").string();
}

std::string upperExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  const size_t slash = name.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot)) return {};
  std::string out(name.substr(dot));
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return out;
}

}  // namespace tessaly::fileio
