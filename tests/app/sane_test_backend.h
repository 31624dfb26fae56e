// SANE unloads its backends when it exits, and the program unloads the source manager (with the
// SANE library under it) when its session ends. The tests keep the three loaded for the whole
// run, so that what SANE leaves behind (its own buffers and option strings) still has a name the
// leak check can be told about.
#pragma once

#include <dlfcn.h>

namespace app_test {

inline void keepSaneTestBackendLoaded() {
  static void* const backend =
      dlopen(TESSALY_SANE_BACKENDS "/libsane-test.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  static void* const manager =
      dlopen(TESSALY_SOURCE_MANAGER, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  (void)backend;
  (void)manager;
}

}  // namespace app_test
