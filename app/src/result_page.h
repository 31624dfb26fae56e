// The Result page: the stitched picture in the image view "imgc1" with its zoom levels and
// scrolling, quarter turns, the one-step enhancement, the rotation and crop tools, restoring
// the stitched result and Save. The page keeps the picture's work copy in the work folder open
// while it shows the picture, reloads it to restore, and deletes it when it lets the picture
// go. Leaving a picture that was not saved since its last change asks first whether to save it.
#pragma once

#include <QFile>
#include <QObject>
#include <QPoint>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "page.h"
#include "result_canvas.h"
#include "result_save.h"
#include "tessaly/host/operations.h"
#include "zoom_levels.h"

struct ZanObject;

namespace tessaly::app {

class CropTool;
class MainFrame;
class RotationTool;

// What comes with a stitched picture (PageCommand::TakePicture's second argument).
struct ResultHandOver {
  QString workCopy;   // the picture's file in the work folder
  SaveSource source;  // what the pieces tell the saved file, with their smallest resolutions
};

// What the page knows of its picture beyond the pixels.
struct ResultState {
  bool saved = false;
  int quarterTurns = 0;  // 0, 90, 180 or 270 degrees to the left
  bool enhanced = false;
  bool rotated = false;
  bool cropped = false;
  bool grey = false;
  // Turned, enhanced, rotated or cropped since it arrived or was restored.
  bool changed() const { return quarterTurns != 0 || enhanced || rotated || cropped; }
};

class ResultPage : public QObject, public Page, public ResultCanvas {
  Q_OBJECT
 public:
  explicit ResultPage(MainFrame& frame);
  ~ResultPage() override;

  void activate() override;
  void deactivate() override;
  bool windowEvent(QEvent* event) override;
  void command(PageCommand command, intptr_t a, intptr_t b, bool& handled) override;

  // Saves the picture (the Save dialog and its checks); true when it was saved.
  bool save();
  // Before the picture goes: closes an open tool (as its Cancel), then true when the picture may
  // go (saved, nothing to lose, or the user lets it go or saved it now); false to keep it.
  bool mayDropPicture();
  // The enhancement (tools 786 and 787), once until a restore; not for grey pictures.
  void enhance();
  // The stitched result read again from the work copy; on failure text 18 and nothing changes.
  bool restore();
  // Scrolls the zoomed view by one step (dx, dy of -1, 0 or 1) within the picture.
  void scrollBy(int dx, int dy);

  // ResultCanvas.
  MainFrame& frame() override { return frame_; }
  ZanObject* view() const override { return view_; }
  ZanObject* picture() const override { return picture_; }
  void replacePicture(ZanObject* picture) override;
  void refit() override;
  int resolutionX() const override { return resolutionX_; }
  int resolutionY() const override { return resolutionY_; }
  void pictureChanged(ResultChange what) override;
  void toolOpenedOrClosed() override;

  bool saved() const { return state_.saved; }
  bool changed() const { return state_.changed(); }
  const ResultState& state() const { return state_; }
  const ZoomLevels& zoom() const { return zoom_; }
  bool toolOpen() const;
  const QString& workCopy() const { return workCopyPath_; }
  ResultSaver& saver() { return saver_; }
  // Shows numbered text n with the error icon; tests replace it.
  std::function<void(int)> showMessage;
  RotationTool& rotationTool() { return *rotation_; }
  CropTool& cropTool() { return *crop_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static intptr_t onButton(ZanObject* control, int event, intptr_t data, void* context);
  void takePicture(ZanObject* picture, const ResultHandOver& handOver);
  void dropPicture();
  void closeTools();
  void reportToolbar(ToolbarMask& mask) const;
  void quarterTurn(bool left);
  void zoomBy(int direction);
  void showZoom();
  bool pictureExceedsView() const;
  void updateCursor(bool buttonDown);
  bool followDrag(QEvent* event);
  bool handleKey(int key);
  QSize pictureSize() const;

  MainFrame& frame_;
  ResultSaver saver_;
  ZanObject* view_ = nullptr;
  ZanObject* picture_ = nullptr;
  QString workCopyPath_;
  std::unique_ptr<QFile> workCopy_;
  SaveSource source_;
  int resolutionX_ = 50;
  int resolutionY_ = 50;
  ResultState state_;
  ZoomLevels zoom_;
  std::unique_ptr<CropTool> crop_;
  std::unique_ptr<RotationTool> rotation_;
  bool dragging_ = false;
  QPoint dragFrom_;
  std::array<host::HandlerEntry, 3> buttons_{};
};

}  // namespace tessaly::app
