// Surfaces: a top-level window (a dialog) whose whole content comes from a UI file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tessaly/host/object.h"

class QWidget;

namespace tessaly::host {

struct SurParam {
  uint32_t size;  // sizeof(SurParam)
  uint32_t reserved[3];
  ZanObject* root;     // out: the UI root control (borrowed from the window)
  const char* uiPath;  // the UI file, relative to the loader's folder or absolute
  ZanObject* loader;   // a UI-file loader (type 120), or null for the program's UI folder
  uint32_t reserved2[4];
  uint32_t attach;  // 1
  uint32_t reserved3[3];
};
static_assert(offsetof(SurParam, root) == 16);

class ZAN_HOST_API SurfaceManage {
 public:
  static SurfaceManage& GetSurfaceManage();
  // Builds the window's content from param->uiPath and fills param->root; false (with the
  // reason in lastError()) when the file cannot be loaded.
  bool CreateSurface(QWidget* window, SurParam* param);
  // The window's UI root, or null.
  ZanObject* GetEnvironment(QWidget* window) const;
  // Removes the content again.
  void DetachSurface(QWidget* window);
  const char* lastError() const;
};

}  // namespace tessaly::host
