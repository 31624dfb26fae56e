// The program's side of the scanner protocol: one session per process with the source manager,
// which is loaded only while it is open. It lists the sources, opens the chosen one with its
// own window, filters the events through which the source reports ready images and its wish to
// close, and runs the transfers. The manager being open is the busy flag: the main window takes
// no input while it is set.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scanned_image.h"
#include "tessaly/twain/twain.h"

namespace tessaly::app {

class ManagerLibrary;

struct ScannerNames {
  std::vector<std::string> names;  // product names, at most 20
  std::string managerDefault;      // empty when the manager names none
};

class TwainSession {
 public:
  static constexpr size_t kMaxSources = 20;
  // What acquire() gives.
  static constexpr int kStarted = 1;
  static constexpr int kFailedQuietly = 0;
  static constexpr int kSourceNotOpened = -1;

  TwainSession(std::unique_ptr<ManagerLibrary> library, const std::string& applicationTitle);
  ~TwainSession();
  TwainSession(const TwainSession&) = delete;
  TwainSession& operator=(const TwainSession&) = delete;

  // The window the manager and the source's window belong to (a QWidget*).
  void setParent(void* parent) { parent_ = parent; }

  // The sources' names and the manager's default, with the manager opened and closed around.
  ScannerNames listScanners();
  // Opens the source with this product name (case-insensitive) and enables it with its own
  // window for buffered memory transfers: kStarted, kFailedQuietly (the manager, the transfer
  // mechanism or the enabling failed) or kSourceNotOpened.
  int acquire(const std::string& productName);
  // Offers the source the chance to report an event: true when it had one (and it was handled:
  // a transfer run, or the session ended at the source's request).
  bool filterEvent();
  // Disables, closes and closes down whatever is open. Whatever the manager answers, the
  // session ends closed and the busy flag clear.
  void closeAll();

  bool managerOpen() const { return managerOpen_; }
  bool sourceOpen() const { return sourceOpen_; }
  bool sourceEnabled() const { return sourceEnabled_; }

  // Each finished image; null for a transfer that failed or was cancelled part-way.
  std::function<void(std::unique_ptr<ScannedImage>)> imageArrived;
  // The busy flag (the manager open) changed.
  std::function<void(bool busy)> busyChanged;
  // The source closed at its request and everything closed cleanly: bring the window forward.
  std::function<void()> sessionClosed;

 private:
  // Every call to the manager goes through here. A failure the manager throws instead of
  // answering closes the session and counts as TWRC_FAILURE.
  TW_UINT16 call(pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message,
                 TW_MEMREF data);
  TW_UINT16 toManager(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    return call(nullptr, DG_CONTROL, dat, message, data);
  }
  TW_UINT16 toSource(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    return call(&source_, group, dat, message, data);
  }
  bool openManager();
  bool closeManager();
  bool openSource(const std::string& productName);
  bool closeSource();
  bool disableSource();
  bool setMemoryTransfer();
  void transferImages();
  void endAtSourceRequest();
  void setManagerOpen(bool open);
  // Clears every flag and frees the library, after trying to close what is open.
  void forceClosed();

  std::unique_ptr<ManagerLibrary> library_;
  DSMENTRYPROC entry_ = nullptr;
  TW_IDENTITY application_{};
  TW_IDENTITY source_{};
  void* parent_ = nullptr;
  bool managerOpen_ = false;
  bool sourceOpen_ = false;
  bool sourceEnabled_ = false;
  int acquireState_ = 0;   // 3 once the source was enabled for transfers
  bool inFilter_ = false;  // a transfer runs (a message box it shows must not start another)
  bool forcing_ = false;
};

// The application identity the program gives the manager.
TW_IDENTITY applicationIdentity(const std::string& title);

}  // namespace tessaly::app
