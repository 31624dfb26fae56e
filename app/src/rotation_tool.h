// The Result page's rotation tool: its panel ("vcata1": the angle slider "hscrl_slidebar", the
// -/+ buttons "butn_reduce" and "butn_text1", the angle text "view_angle", Apply "butn_OK" and
// Cancel "butn_cancel"), previews of the turned picture with reference lines over it, and
// turning the picture by the chosen angle. The tool registers the handlers of its own controls,
// including "chck_rotate" that opens and closes it; the page routes Enter and Escape.
#pragma once

#include <QImage>
#include <array>
#include <functional>
#include <memory>

#include "picture_tools.h"
#include "tessaly/host/operations.h"

struct ZanObject;

namespace tessaly::app {

class ResultCanvas;

class RotationTool {
 public:
  // `wasRotated` tells whether the picture was rotated since it arrived or was restored.
  RotationTool(ResultCanvas& canvas, std::function<bool()> wasRotated);
  ~RotationTool();
  RotationTool(const RotationTool&) = delete;
  RotationTool& operator=(const RotationTool&) = delete;

  // Measures the skew of a picture in radians; true when measured. By default the stitching
  // engine's straightening.
  std::function<bool(const QImage&, double*)> measureSkew;

  bool isOpen() const { return open_; }
  // The angle in tenths of a degree (-100 ... 100).
  int angle() const { return angle_; }
  // "chck_rotate" checked: previews from the picture as it is, starting at the angle that undoes
  // the measured skew of a paper-sized picture.
  void open();
  // Sets the angle (held to its range) and renders the preview.
  void setAngle(int value);
  // Enter or "butn_OK": the picture turned by the angle at full size, white where it does not
  // reach, becomes the picture; then closes.
  void apply();
  // Escape, "butn_cancel" or "chck_rotate" unchecked: the picture as it was; then closes.
  void cancel();

  // The preview shown last, for tests.
  const QImage& preview() const { return preview_; }

 private:
  static intptr_t onControl(ZanObject* control, int event, intptr_t data, void* context);
  void handle(const QString& name, int event, ZanObject* control);
  int openingAngle() const;
  void renderPreview();
  void showAngle();
  void close();
  ZanObject* control(const char* name) const;

  ResultCanvas& canvas_;
  std::function<bool()> wasRotated_;
  bool open_ = false;
  int angle_ = 0;
  double fit_ = 1.0;  // the scale that fits the picture into the preview area
  QImage start_;      // the picture as the tool opened
  std::unique_ptr<TurnSource> previewSource_;  // the reduced copy, or the picture itself
  QImage referenceLines_;
  QImage preview_;
  std::array<host::HandlerEntry, 6> handlers_{};
};

}  // namespace tessaly::app
