// The set of loaded plug-ins: loading a folder of *.fll modules, what each describes, and the
// choice of a plug-in by format id, by extension or for probing.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plugin_interface.h"

namespace tessaly::fileio {

struct Plugin {
  std::string path;
  void* module = nullptr;
  GetPlugStructProc getStruct = nullptr;
  PlugInfo info{};
  bool enabled = true;
  std::vector<SaveListEntry> saveList;  // asked once at load time
  std::vector<std::string> extensions;  // ".JPG", upper-cased, in the plug-in's order

  bool reads() const { return enabled && info.canRead == 1; }
  bool writes() const { return enabled && info.canWrite == 1; }
  bool accepts(int32_t colorModel, int32_t bits) const;
  bool hasExtension(std::string_view upperExtension) const;
};

class Registry {
 public:
  static Registry& instance();

  // Loads the *.fll modules of folder that are not loaded yet; the number loaded in all, or
  // ZANIO_ERR_NO_FOLDER.
  int32_t load(const std::string& folder);
  // Unloads everything, unless images are still open (ZANIO_ERR_BUSY).
  int32_t unload();

  int32_t count() const { return int32_t(plugins_.size()); }
  Plugin* at(int32_t index);
  // The first enabled writer of formatId, or null.
  const Plugin* writerOf(int32_t formatId) const;
  // The format id of the first enabled plug-in (a writer, with forWriting) that lists the
  // extension; 0 when none does.
  int32_t formatByExtension(std::string_view upperExtension, bool forWriting) const;
  // The enabled readers to try, in order: of formatId only when it is not 0, else all of them,
  // those listing the extension first.
  std::vector<const Plugin*> readersFor(int32_t formatId, std::string_view upperExtension) const;

  // Open images keep the modules loaded.
  void retain() { ++open_; }
  void release() { --open_; }

 private:
  bool loaded(const std::string& path) const;

  std::vector<std::unique_ptr<Plugin>> plugins_;
  std::atomic<int32_t> open_{0};
};

// "plugins" in the folder of the running executable.
std::string defaultPluginFolder();
// The text of name from its last '.', upper-cased (ASCII letters); empty when there is none.
std::string upperExtension(std::string_view name);

}  // namespace tessaly::fileio
