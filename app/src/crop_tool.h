// The Result page's crop tool: its panel ("vcata": the preset radios "radg", Apply
// "butn_save1121", Cancel "butn_save112"), the crop mask laid over the image view (a callback
// panel "cata_mask" with four mask panels, borders and eight handles), dragging the rectangle,
// and cutting the picture to it. The tool registers the handlers of its own controls, including
// "chck_crop" that opens and closes it; the page routes Enter and Escape and asks whether it is
// open.
#pragma once

#include <cstdint>
#include <memory>

struct ZanObject;

namespace tessaly::app {

class ResultCanvas;

class CropTool {
 public:
  explicit CropTool(ResultCanvas& canvas);
  ~CropTool();
  CropTool(const CropTool&) = delete;
  CropTool& operator=(const CropTool&) = delete;

  bool isOpen() const;
  // "chck_crop" checked: fits the view, shows the panel and the mask.
  void open();
  // Enter or "butn_save1121": cuts the picture to the rectangle when Apply is enabled, then
  // closes. Does nothing while Apply is disabled.
  void apply();
  // Escape, "butn_save112" or "chck_crop" unchecked: closes leaving the picture as it is.
  void cancel();
  // The picture was turned, restored or replaced: there is no crop rectangle any more.
  void forgetRectangle();

 private:
  // An event of one of the tool's controls.
  void onEvent(ZanObject* control, int event, intptr_t data);
  // Removes the mask, refits the view, hides the panel and unchecks "chck_crop"; with
  // `storeSize` the custom preset's size is kept in the settings first.
  void close(bool storeSize);

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tessaly::app
