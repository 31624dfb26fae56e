// The Result page: the stitched picture in the image view "imgc1", fitted to the page at first,
// with zooming, and its Save. The page keeps the picture's work copy in the work folder open
// while it shows the picture and deletes it when it lets the picture go. Leaving a picture that
// was not saved since it arrived asks first whether to save it.
#pragma once

#include <QFile>
#include <QObject>
#include <QString>
#include <array>
#include <memory>

#include "page.h"
#include "result_save.h"
#include "tessaly/host/operations.h"

struct ZanObject;

namespace tessaly::app {

class MainFrame;

// What comes with a stitched picture (PageCommand::TakePicture's second argument).
struct ResultHandOver {
  QString workCopy;   // the picture's file in the work folder
  SaveSource source;  // what the pieces tell the saved file
};

class ResultPage : public QObject, public Page {
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
  // Before the picture goes: true when it may (saved, nothing to lose, or the user lets it go
  // or saved it now); false to keep it.
  bool mayDropPicture();

  ZanObject* picture() const { return picture_; }
  bool saved() const { return saved_; }
  bool changed() const { return changed_; }
  const QString& workCopy() const { return workCopyPath_; }
  ResultSaver& saver() { return saver_; }

 private:
  static intptr_t onButton(ZanObject* control, int event, intptr_t data, void* context);
  void takePicture(ZanObject* picture, const ResultHandOver& handOver);
  void dropPicture();
  void reportToolbar(ToolbarMask& mask) const;
  void zoom(int direction);
  int zoomPercent() const;

  MainFrame& frame_;
  ResultSaver saver_;
  ZanObject* view_ = nullptr;
  ZanObject* picture_ = nullptr;
  QString workCopyPath_;
  std::unique_ptr<QFile> workCopy_;
  SaveSource source_;
  bool saved_ = false;
  bool changed_ = false;  // turned, enhanced, cropped or rotated (the tools come later)
  std::array<host::HandlerEntry, 1> buttons_{};
};

}  // namespace tessaly::app
