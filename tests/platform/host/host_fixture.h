// Loads the test UI files through a host loader.
#pragma once

#include <string>

#include "tessaly/host/operations.h"

namespace host_test {

inline intptr_t text(const char* value) {
  return reinterpret_cast<intptr_t>(value);
}
inline intptr_t out(std::string* value) {
  return reinterpret_cast<intptr_t>(value);
}

// A loader whose folder is the test UI files' folder (one reference; release it).
inline ZanObject* fixtureLoader() {
  ZanObject* loader = Zan0CreateObj(tessaly::host::kUiLoader);
  Zan0Inter(loader, tessaly::host::op::kLoaderFolder, text(HOST_UI_FIXTURES));
  return loader;
}

inline ZanObject* child(ZanObject* root, const char* name) {
  return reinterpret_cast<ZanObject*>(Zan0Inter(root, tessaly::host::op::kChildByName, text(name)));
}

}  // namespace host_test
