#include "twain_library.h"

#include <dlfcn.h>

#include <string>

#include "folders.h"

namespace tessaly::app {
namespace {

constexpr const char* kLibraryName = "libTWAIN_32.so";
// Closing the manager lets go of the library, but it stays mapped: SANE, under it, keeps state in
// its libraries' static memory (its configuration paths, the backends it found) that only
// outlives a session safely while the code that owns it stays loaded.
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;

class SharedObject final : public ManagerLibrary {
 public:
  ~SharedObject() override { unload(); }

  DSMENTRYPROC load() override {
    if (handle_ == nullptr) handle_ = dlopen(kLibraryName, kOpenFlags);
    // An installed program keeps its libraries in ../lib beside its bin folder.
    if (handle_ == nullptr) {
      const std::string besideProgram = programFolder() + "../lib/" + kLibraryName;
      handle_ = dlopen(besideProgram.c_str(), kOpenFlags);
    }
    if (handle_ == nullptr) return nullptr;
    return reinterpret_cast<DSMENTRYPROC>(dlsym(handle_, "DSM_Entry"));
  }

  void unload() override {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
  }

 private:
  void* handle_ = nullptr;
};

}  // namespace

std::unique_ptr<ManagerLibrary> sharedManagerLibrary() {
  return std::make_unique<SharedObject>();
}

}  // namespace tessaly::app
