// SANE unloads its backends when it exits, and the program unloads the source manager (with the
// SANE library under it) when its session ends. The tests keep the backends and the manager
// loaded for the whole run, so that what SANE leaves behind (its own buffers and option strings)
// still has a name the leak check can be told about.
#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "temp_folder.h"

namespace app_test {

inline void keepSaneTestBackendLoaded() {
  static void* const backend =
      dlopen(TESSALY_SANE_BACKENDS "/libsane-test.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  static void* const files =
      dlopen(TESSALY_SANE_BACKENDS "/libsane-pnm.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  static void* const manager =
      dlopen(TESSALY_SOURCE_MANAGER, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  (void)backend;
  (void)files;
  (void)manager;
}

// The process's SANE configuration folder: the one SANE_CONFIG_DIR names, or else a private one
// made now and named there. SANE reads the variable once per process, so every suite of one
// process must write into the same folder.
inline std::string saneConfigFolder() {
  if (const char* named = std::getenv("SANE_CONFIG_DIR"); named && *named) return named;
  static const tessaly::test::TempFolder own("tessaly-sane-");
  setenv("SANE_CONFIG_DIR", own.path().c_str(), 1);
  return own.path();
}

// Makes `folder` a SANE configuration folder with the PNM file reader only: two devices that
// "scan" the PNM file their "filename" option names. Keeps the backends loaded (above).
inline void writeSanePnmBackend(const std::string& folder) {
  keepSaneTestBackendLoaded();
  std::ofstream(folder + "/dll.conf") << "pnm\n";
}

// Makes `folder` a SANE configuration folder with the test backend only: two devices, 8-bit grey,
// 50 dpi, a black 40 x 30 mm picture, with `settings` replacing or adding entries of test.conf.
// Keeps the backend loaded (above).
inline void writeSaneTestBackend(const std::string& folder,
                                 const std::map<std::string, std::string>& settings) {
  keepSaneTestBackendLoaded();
  std::map<std::string, std::string> all{{"number_of_devices", "2"},
                                         {"mode", "Gray"},
                                         {"depth", "8"},
                                         {"resolution", "50.0"},
                                         {"test-picture", "\"Solid black\""},
                                         {"br_x", "40.0"},
                                         {"br_y", "30.0"}};
  for (const auto& [key, value] : settings) all[key] = value;
  std::ofstream(folder + "/dll.conf") << "test\n";
  std::ofstream conf(folder + "/test.conf");
  for (const auto& [key, value] : all) conf << key << ' ' << value << '\n';
}

}  // namespace app_test
