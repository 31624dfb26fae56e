#include "crop_tool.h"

#include <array>
#include <string>

#include "crop_drag.h"
#include "crop_mask.h"
#include "crop_mask_panel.h"
#include "crop_presets.h"
#include "crop_rules.h"
#include "folders.h"
#include "main_frame.h"
#include "picture_crop.h"
#include "result_canvas.h"
#include "settings.h"
#include "tessaly/host/operations.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

// The radio buttons of "radg" in their order: presets 1, 2, 3 and the custom size.
constexpr const char* kRadioNames[kCropPresetCount] = {"rado_rado_text", "rado_rado_text1",
                                                       "rado_rado_text2", "rado_rado_text3"};

int presetOfRadio(int index) {
  return (index + 1) % kCropPresetCount;
}
int radioOfPreset(int preset) {
  return (preset + kCropPresetCount - 1) % kCropPresetCount;
}

}  // namespace

struct CropTool::State {
  explicit State(ResultCanvas& c) : canvas(c) {}

  ResultCanvas& canvas;
  bool open = false;
  QRect rectangle;  // picture pixels; empty when there is none
  int preset = kCustomCropPreset;
  bool locked = false;
  bool dragging = false;
  CropDrag drag;
  std::unique_ptr<CropMaskPanel> mask;
  std::array<HandlerEntry, 4> handlers{};

  ZanObject* control(const char* name) const { return canvas.frame().control(name); }
  QSize pictureSize() const;
  PaperSize customSize() const;
  CropScreen screen() const;
  void enableRadios();
  void selectRadio();
  void updateApply();
  bool applyEnabled() const { return cropMayBeApplied(rectangle); }
  void choosePreset(int chosen);
  void layoutMask();
  bool pointer(int kind, QPoint at);
  void endDrag();
  void storeCustomSize();
};

QSize CropTool::State::pictureSize() const {
  int32_t width = 0, height = 0;
  Zan0Inter(canvas.picture(), op::kPictureSize, reinterpret_cast<intptr_t>(&width),
            reinterpret_cast<intptr_t>(&height));
  return {width, height};
}

PaperSize CropTool::State::customSize() const {
  const Settings& settings = canvas.frame().settings();
  return {settings.manualCropWidth(), settings.manualCropHeight()};
}

CropScreen CropTool::State::screen() const {
  Rect shown{};
  Zan0Inter(canvas.view(), op::kViewImageRect, reinterpret_cast<intptr_t>(&shown));
  return {QRect(shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top),
          pictureSize()};
}

void CropTool::State::enableRadios() {
  const QSize size = pictureSize();
  const int own =
      pictureCropPreset(size.width(), size.height(), canvas.resolutionX(), canvas.resolutionY());
  for (int index = 0; index < kCropPresetCount; ++index) {
    const int p = presetOfRadio(index);
    const bool offered =
        cropPresetOffered(p, own, size, canvas.resolutionX(), canvas.resolutionY());
    Zan0Inter(control(kRadioNames[index]), op::kEnable, offered ? 1 : 0);
  }
}

void CropTool::State::selectRadio() {
  Zan0Inter(control(kRadioNames[radioOfPreset(preset)]), op::kSetChecked, 1);
}

void CropTool::State::updateApply() {
  Zan0Inter(control("butn_save1121"), op::kEnable, applyEnabled() ? 1 : 0);
}

void CropTool::State::choosePreset(int chosen) {
  preset = chosen;
  locked = preset != kCustomCropPreset;
  if (locked) {
    const QSize size = pictureSize();
    rectangle = cropPresetRectangle(preset, customSize(), size.width(), size.height(),
                                    canvas.resolutionX(), canvas.resolutionY());
  }
  layoutMask();
  updateApply();
}

void CropTool::State::layoutMask() {
  if (!mask) return;
  const CropScreen where = screen();
  mask->place(layoutCropMask(mask->size(), where.toView(rectangle)), !locked);
}

bool CropTool::State::pointer(int kind, QPoint at) {
  const CropScreen where = screen();
  if (!where.valid()) return false;
  const QPoint onPicture = where.toPicture(at);
  if (kind == kPointerMove) {
    const int zone = dragging ? draggedCropZone(drag, onPicture)
                              : cropZoneAt(where.toView(rectangle), at, locked);
    mask->setCursor(cropZoneCursor(zone));
    if (!dragging) return false;
    rectangle = dragCropRectangle(drag, onPicture, where.picture);
    layoutMask();
    updateApply();
    return true;
  }
  if (kind == kPointerPress) {
    const int zone = cropZoneAt(where.toView(rectangle), at, locked);
    if (zone == kNoZone && locked) return false;
    drag = beginCropDrag(zone, rectangle, onPicture, where.picture);
    rectangle = dragCropRectangle(drag, onPicture, where.picture);
    dragging = true;
    Zan0SetGValue(1, reinterpret_cast<intptr_t>(mask->control()));
    layoutMask();
    updateApply();
    return true;
  }
  if (!dragging) return false;
  endDrag();
  // A free rectangle that covers the picture on screen covers it exactly; a locked one keeps
  // its paper size.
  if (!locked) rectangle = snapCropRectangle(rectangle, where);
  layoutMask();
  updateApply();
  return true;
}

void CropTool::State::endDrag() {
  if (!dragging) return;
  dragging = false;
  if (mask && Zan0GetGValue(1) == reinterpret_cast<intptr_t>(mask->control())) {
    Zan0SetGValue(1, 0);
  }
}

void CropTool::State::storeCustomSize() {
  if (preset != kCustomCropPreset) return;
  const PaperSize size = customCropSize(rectangle, canvas.resolutionX(), canvas.resolutionY());
  // An empty or sub-hundredth rectangle is no paper size; the one stored before stays.
  if (size.width <= 0 || size.height <= 0) return;
  Settings& settings = canvas.frame().settings();
  settings.setManualCropWidth(size.width);
  settings.setManualCropHeight(size.height);
}

CropTool::CropTool(ResultCanvas& canvas) : state_(std::make_unique<State>(canvas)) {
  const auto onControl = [](ZanObject* control, int event, intptr_t data, void* context) {
    auto* tool = static_cast<CropTool*>(context);
    tool->onEvent(control, event, data);
    return intptr_t(0);
  };
  state_->handlers = {{{"chck_crop", onControl, this},
                       {"radg", onControl, this},
                       {"butn_save1121", onControl, this},
                       {"butn_save112", onControl, this}}};
  Zan0Inter(canvas.frame().root(), op::kHandlerTable,
            reinterpret_cast<intptr_t>(state_->handlers.data()), intptr_t(state_->handlers.size()));
}

CropTool::~CropTool() {
  state_->endDrag();
  state_->mask.reset();
  Zan0Inter(state_->canvas.frame().root(), op::kHandlerTable,
            reinterpret_cast<intptr_t>(state_->handlers.data()),
            -intptr_t(state_->handlers.size()));
}

void CropTool::onEvent(ZanObject* control, int event, intptr_t data) {
  State& s = *state_;
  if (control == s.control("chck_crop") && event == kEventClick) {
    if (data != 0 && !s.open) open();
    if (data == 0 && s.open) cancel();
  } else if (control == s.control("radg") && event == kEventRadioChoice && s.open) {
    s.choosePreset(presetOfRadio(int(data)));
  } else if (control == s.control("butn_save1121") && event == kEventClick) {
    apply();
  } else if (control == s.control("butn_save112") && event == kEventClick) {
    cancel();
  }
}

bool CropTool::isOpen() const {
  return state_->open;
}

void CropTool::open() {
  State& s = *state_;
  if (s.open || !s.canvas.picture()) {
    // Nothing to crop: the check box does not stay on.
    if (!s.open) Zan0Inter(s.control("chck_crop"), op::kSetChecked, 0);
    return;
  }
  s.canvas.refit();
  const QSize size = s.pictureSize();
  if (s.rectangle.isEmpty()) {
    s.preset = pictureCropPreset(size.width(), size.height(), s.canvas.resolutionX(),
                                 s.canvas.resolutionY());
    s.rectangle = cropPresetRectangle(s.preset, s.customSize(), size.width(), size.height(),
                                      s.canvas.resolutionX(), s.canvas.resolutionY());
  }
  s.locked = s.preset != kCustomCropPreset;
  s.open = true;
  Zan0Inter(s.control("vcata"), op::kShow, 1);
  s.enableRadios();
  s.selectRadio();
  s.mask = std::make_unique<CropMaskPanel>(
      s.canvas.view(), programFolder() + "UI",
      CropMaskPanel::Events{[&s] { s.layoutMask(); },
                            [&s](int kind, QPoint at) { return s.pointer(kind, at); }});
  s.layoutMask();
  s.updateApply();
  Zan0Inter(s.control("chck_crop"), op::kSetChecked, 1);
  s.canvas.toolOpenedOrClosed();
}

void CropTool::apply() {
  State& s = *state_;
  if (!s.open || !s.applyEnabled()) return;
  ZanObject* cropped = cropPicture(s.canvas.picture(), s.rectangle);
  // When the cut fails the tool closes with the picture as it was.
  if (cropped) {
    const QSize size = s.rectangle.size();
    s.storeCustomSize();
    s.canvas.replacePicture(cropped);
    s.rectangle = QRect(QPoint(0, 0), size);
    s.canvas.pictureChanged(ResultChange::Cropped);
    close(false);
    return;
  }
  close(true);
}

void CropTool::cancel() {
  if (state_->open) close(true);
}

void CropTool::close(bool storeSize) {
  State& s = *state_;
  if (storeSize) s.storeCustomSize();
  s.endDrag();
  s.mask.reset();
  s.open = false;
  s.canvas.refit();
  Zan0Inter(s.control("vcata"), op::kShow, 0);
  Zan0Inter(s.control("chck_crop"), op::kSetChecked, 0);
  s.canvas.toolOpenedOrClosed();
}

void CropTool::forgetRectangle() {
  State& s = *state_;
  s.rectangle = QRect();
  if (s.open) {
    s.layoutMask();
    s.updateApply();
  }
}

}  // namespace tessaly::app
