// What the Result page's tools ask of the page: the picture shown and its view, the picture's
// resolution, and the page's bookkeeping when a tool opens, closes or changes the picture.
#pragma once

class QWidget;
struct ZanObject;

namespace tessaly::app {

class MainFrame;

// The kinds of change the page keeps flags for; each clears "saved".
enum class ResultChange { QuarterTurn, Enhanced, Rotated, Cropped };

class ResultCanvas {
 public:
  virtual ~ResultCanvas() = default;

  virtual MainFrame& frame() = 0;
  // The image view "imgc1".
  virtual ZanObject* view() const = 0;
  // The picture shown (the page holds a reference; null when there is none).
  virtual ZanObject* picture() const = 0;
  // Shows `picture` from now on: the page takes over the caller's reference and releases the
  // picture it showed. The view returns to fit mode.
  virtual void replacePicture(ZanObject* picture) = 0;
  // The view back in fit mode (the zoom table is recomputed).
  virtual void refit() = 0;
  // The picture's pixels per inch (at least 1).
  virtual int resolutionX() const = 0;
  virtual int resolutionY() const = 0;
  // A tool changed the picture: the page sets the flag, clears "saved" and refreshes the toolbar.
  virtual void pictureChanged(ResultChange what) = 0;
  // A tool opened or closed: the page refreshes the toolbar (the tools exclude each other).
  virtual void toolOpenedOrClosed() = 0;
};

}  // namespace tessaly::app
