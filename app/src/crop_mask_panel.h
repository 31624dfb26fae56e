// The crop mask over the image view: the callback panel "cata_mask" of cropMask.pui laid over
// the whole view, with its four mask panels, the edges of border_h.pui and border_v.pui and the
// eight handles of angle.pui. The panel hands its layout passes and pointer calls to the owner.
#pragma once

#include <QPoint>
#include <QSize>
#include <Qt>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "crop_mask.h"

class QObject;
struct ZanObject;

namespace tessaly::app {

class CropMaskPanel {
 public:
  struct Events {
    std::function<void()> layout;
    // kind as the host's kPointer calls (move, press, release); true when taken.
    std::function<bool(int kind, QPoint at)> pointer;
  };

  // Loads the mask from `uiFolder` over `view`; check loaded().
  CropMaskPanel(ZanObject* view, const std::string& uiFolder, Events events);
  ~CropMaskPanel();
  CropMaskPanel(const CropMaskPanel&) = delete;
  CropMaskPanel& operator=(const CropMaskPanel&) = delete;

  bool loaded() const { return mask_ != nullptr; }
  ZanObject* control() const { return mask_; }
  QSize size() const;
  // Places the panels, edges and handles; the handles show only with `handlesShown`.
  void place(const CropMaskLayout& layout, bool handlesShown);
  void setCursor(Qt::CursorShape shape);

 private:
  static intptr_t operate(ZanObject* object, int interface, int method, intptr_t a, intptr_t b,
                          int32_t user,
                          intptr_t (*parent)(ZanObject*, int, int, intptr_t, intptr_t));
  bool load(ZanObject* view, const std::string& uiFolder);
  ZanObject* loadPart(ZanObject* loader, const char* file);

  Events events_;
  int32_t id_ = 0;  // the user value the panel hands back: pointers do not fit in it
  ZanObject* mask_ = nullptr;
  std::array<ZanObject*, 4> panels_{};
  std::array<ZanObject*, 4> borders_{};
  std::array<ZanObject*, 8> handles_{};
  std::unique_ptr<QObject> viewWatch_;
};

}  // namespace tessaly::app
