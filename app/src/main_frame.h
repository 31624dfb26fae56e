// The main window's frame and the pages' common ground: its own caption, edges (with their
// resize pointers) and window buttons, the program menu and help, the keyboard accelerators, the
// status texts, the page switch, the keys it answers and the files handed over by another start of
// the program. The pages' work comes in their own units.
#pragma once

#include <QEvent>
#include <QObject>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

#include "page.h"
#include "tessaly/host/operations.h"
#include "window_frame.h"

class QStackedWidget;
class QWidget;
struct ZanObject;

namespace tessaly::app {

class Settings;
class StitchRun;
class TwainSession;
class UiStrings;

// Posted to the main window: another start left files to read; a scan has finished.
constexpr QEvent::Type kHandOverEvent = QEvent::Type(QEvent::User + 115);
constexpr QEvent::Type kAcquisitionFinishedEvent = QEvent::Type(QEvent::User + 114);
// Posted to the main window by the scanner's source when it has an event to report.
constexpr QEvent::Type kSourceWakeEvent = QEvent::User;

constexpr int kScanPage = 0;
constexpr int kResultPage = 2;

class MainFrame : public QObject {
  Q_OBJECT
 public:
  // `window` is the host's main window and `root` its UI root.
  MainFrame(QWidget* window, ZanObject* root, const UiStrings& strings, Settings& settings);
  ~MainFrame() override;

  QWidget* window() const { return window_; }
  // The window's UI root control.
  ZanObject* root() const { return root_; }
  // A control of the main window by name, or null.
  ZanObject* control(const char* name) const;

  // The status line (the fourth status text); with `repaintNow` it is painted before return.
  void setStatus(const QString& text, bool repaintNow = false);
  void setStatus(int textNumber, bool repaintNow = false);

  // Deactivates the active page, makes page `slot` (0 or 2) on first use, activates it and
  // refreshes the toolbar.
  void showPage(int slot);
  int activePage() const { return activePage_; }
  // The page in `slot`, or null while it was never shown.
  Page* page(int slot) const;
  // Asks the active page which toolbar controls to show and enable, and sizes the strip.
  void refreshToolbar();
  // Gives the active page a command; whether it handled it.
  bool sendCommand(PageCommand command, intptr_t a = 0, intptr_t b = 0);
  // Start over: the active page may keep the window where it is (an unsaved result the user
  // keeps); otherwise the Scan page starts from nothing.
  void startOver();
  void setStitchRunning(bool running) { stitchRunning_ = running; }
  bool stitchRunning() const { return stitchRunning_; }
  StitchRun& stitchRun() { return *stitchRun_; }
  const UiStrings& strings() const { return strings_; }
  Settings& settings() { return settings_; }

  // While a scan runs the window takes no pointer or key input; when it ends the window gets
  // kAcquisitionFinishedEvent. The scanner session sets and clears it.
  void setTwainBusy(bool busy);
  bool twainBusy() const { return twainBusy_; }
  // The process's one session with the scanner's source manager.
  TwainSession& twain() { return *twain_; }

  // Asked before the window closes; false keeps it open (an unsaved result, later).
  std::function<bool()> closeGuard;
  // Opens the help page (its path given); by default the desktop's viewer for it.
  std::function<void(const QString&)> helpOpener;

 signals:
  // Files handed over by another start (or given to this one), in order.
  void filesReceived(const QStringList& files);
  // +1 zoom in, -1 zoom out, on the active page.
  void zoomRequested(int direction);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static intptr_t onWindowButton(ZanObject* control, int event, intptr_t data, void* context);
  static intptr_t onToolbarButton(ZanObject* control, int event, intptr_t data, void* context);
  std::unique_ptr<Page> createPage(int slot);
  void sizeToolbarStrip();
  // The Result page's answer before its picture may go (start over, close): false to stay.
  bool mayLeaveResult();
  void bindWindowButtons();
  void addShortcuts();
  bool filterMouse(QEvent* event);
  void receiveHandedOverFiles();
  void updateWindowState();
  void openHelp();
  bool ownsWidget(QObject* object) const;

  QWidget* window_;
  ZanObject* root_;
  const UiStrings& strings_;
  Settings& settings_;
  QStackedWidget* pages_ = nullptr;
  int activePage_ = -1;
  bool stitchRunning_ = false;
  bool twainBusy_ = false;
  FrameDrag drag_;
  void updateEdgeCursor(QPoint global);
  // Whether keys may act now: no control holds the pointer and no scan runs.
  bool keysAllowed() const;
  bool edgeCursorSet_ = false;
  std::array<host::HandlerEntry, 5> buttonTable_{};
  std::array<host::HandlerEntry, 6> toolbarTable_{};
  std::array<std::unique_ptr<Page>, 3> slots_;
  std::unique_ptr<StitchRun> stitchRun_;
  std::unique_ptr<TwainSession> twain_;
};

}  // namespace tessaly::app
