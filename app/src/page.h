// What the main window asks of each of its pages: to come and go, to see the window's events
// first, and to carry out the toolbar's commands, beginning with which toolbar controls it shows
// and enables.
#pragma once

#include <cstdint>

class QEvent;

namespace tessaly::app {

// The toolbar controls in order: bit i of a mask is control i.
constexpr const char* kToolbarControls[] = {
    "butn_loadfiles", "butn_scndoc",  "butn_startover", "butn_stitch",
    "butn_save",      "butn_rotateL", "butn_rotateR",   "butn_remove",
    "butn_savescans", "butn_zoomin",  "butn_zoomout",   "butn_fitin",
    "butn_enhance",   "chck_rotate",  "chck_crop",      "butn_restore"};
constexpr int kToolbarControlCount = 16;

enum ToolbarBit : uint32_t {
  kLoadFiles = 1u << 0,
  kScanDocument = 1u << 1,
  kStartOver = 1u << 2,
  kStitch = 1u << 3,
  kSave = 1u << 4,
  kRotateLeftBit = 1u << 5,
  kRotateRightBit = 1u << 6,
  kRemove = 1u << 7,
  kSaveScans = 1u << 8,
  kZoomInBit = 1u << 9,
  kZoomOutBit = 1u << 10,
  kFitIn = 1u << 11,
  kEnhance = 1u << 12,
  kRotateTool = 1u << 13,
  kCropTool = 1u << 14,
  kRestore = 1u << 15,
};

struct ToolbarMask {
  uint32_t visible = 0;
  uint32_t enabled = 0;
  void set(uint32_t bits, bool enable) {
    visible |= bits;
    if (enable) enabled |= bits;
  }
};

// The commands the main window gives its pages.
enum class PageCommand {
  ReportToolbar = 0,  // a = ToolbarMask* to fill
  RotateLeft = 1,
  RotateRight = 2,
  ZoomIn = 3,
  ZoomOut = 4,
  FitIn = 5,
  TakePicture = 6,  // a = picture (the page takes its own reference), b = ResultHandOver*
  StartOver = 7,    // handled: stay on the page
};

class Page {
 public:
  virtual ~Page() = default;
  virtual void activate() = 0;
  virtual void deactivate() = 0;
  bool isActive() const { return active_; }
  // The main window's events, before the window's own handling; true when taken.
  virtual bool windowEvent(QEvent* event) = 0;
  // Carries out `command`; `handled` tells whether the page did.
  virtual void command(PageCommand command, intptr_t a, intptr_t b, bool& handled) = 0;

 protected:
  bool active_ = false;
};

}  // namespace tessaly::app
