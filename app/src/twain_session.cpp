#include "twain_session.h"

#include <strings.h>

#include <QApplication>
#include <algorithm>
#include <cstring>

#include "scan_transfer.h"
#include "twain_library.h"

namespace tessaly::app {
namespace {

void copyName(TW_STR32& to, const std::string& from) {
  std::memset(to, 0, sizeof to);
  std::memcpy(to, from.data(), std::min(from.size(), sizeof to - 1));
}

std::string nameOf(const TW_STR32& field) {
  return std::string(field, strnlen(field, sizeof field));
}

// The wait cursor while the manager is asked for its sources.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TW_IDENTITY applicationIdentity(const std::string& title) {
  TW_IDENTITY identity{};
  identity.Id = 0;
  identity.Version.MajorNum = 1;
  identity.Version.MinorNum = 703;
  identity.Version.Language = TWLG_USA;
  identity.Version.Country = TWCY_USA;
  copyName(identity.Version.Info, title);
  identity.ProtocolMajor = 1;
  identity.ProtocolMinor = 8;
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  copyName(identity.Manufacturer, title);
  copyName(identity.ProductFamily, title);
  copyName(identity.ProductName, title);
  return identity;
}

TwainSession::TwainSession(std::unique_ptr<ManagerLibrary> library, const std::string& title)
    : library_(std::move(library)), application_(applicationIdentity(title)) {}

TwainSession::~TwainSession() {
  closeAll();
}

TW_UINT16 TwainSession::call(pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat,
                             TW_UINT16 message, TW_MEMREF data) {
  if (entry_ == nullptr) return TWRC_FAILURE;
  try {
    return entry_(&application_, destination, group, dat, message, data);
  } catch (...) {
    // The manager could not answer: nothing it holds can be trusted any more.
    if (!forcing_) forceClosed();
    return TWRC_FAILURE;
  }
}

void TwainSession::setManagerOpen(bool open) {
  if (managerOpen_ == open) return;
  managerOpen_ = open;
  if (busyChanged) busyChanged(open);
}

bool TwainSession::openManager() {
  if (managerOpen_) return true;
  entry_ = library_->load();
  if (entry_ == nullptr) {
    library_->unload();
    return false;
  }
  TW_HANDLE parent = parent_;
  if (toManager(DAT_PARENT, MSG_OPENDSM, &parent) != TWRC_SUCCESS) {
    entry_ = nullptr;
    library_->unload();
    return false;
  }
  setManagerOpen(true);
  return true;
}

bool TwainSession::closeManager() {
  if (!managerOpen_) return true;
  if (sourceOpen_) return false;
  TW_HANDLE parent = parent_;
  if (toManager(DAT_PARENT, MSG_CLOSEDSM, &parent) != TWRC_SUCCESS) return false;
  entry_ = nullptr;
  library_->unload();
  source_ = TW_IDENTITY{};
  setManagerOpen(false);
  return true;
}

ScannerNames TwainSession::listScanners() {
  ScannerNames found;
  WaitCursor wait;
  const bool wasOpen = managerOpen_;
  if (!openManager()) return found;
  TW_IDENTITY identity{};
  TW_UINT16 code = toManager(DAT_IDENTITY, MSG_GETFIRST, &identity);
  while (code == TWRC_SUCCESS && found.names.size() < kMaxSources) {
    found.names.push_back(nameOf(identity.ProductName));
    identity = TW_IDENTITY{};
    code = toManager(DAT_IDENTITY, MSG_GETNEXT, &identity);
  }
  identity = TW_IDENTITY{};
  if (toManager(DAT_IDENTITY, MSG_GETDEFAULT, &identity) == TWRC_SUCCESS)
    found.managerDefault = nameOf(identity.ProductName);
  if (!wasOpen) closeManager();
  return found;
}

bool TwainSession::openSource(const std::string& productName) {
  if (sourceOpen_) return true;
  // The source is found by name among those listed; when none has it, the identity stays as it
  // was (empty the first time, which asks the manager for its default).
  TW_IDENTITY identity{};
  TW_UINT16 code = toManager(DAT_IDENTITY, MSG_GETFIRST, &identity);
  while (code == TWRC_SUCCESS) {
    if (strcasecmp(nameOf(identity.ProductName).c_str(), productName.c_str()) == 0) {
      source_ = identity;
      break;
    }
    identity = TW_IDENTITY{};
    code = toManager(DAT_IDENTITY, MSG_GETNEXT, &identity);
  }
  if (toManager(DAT_IDENTITY, MSG_OPENDS, &source_) != TWRC_SUCCESS) return false;
  sourceOpen_ = true;
  return true;
}

bool TwainSession::closeSource() {
  if (!sourceOpen_) return true;
  if (sourceEnabled_) return false;
  if (toManager(DAT_IDENTITY, MSG_CLOSEDS, &source_) != TWRC_SUCCESS) return false;
  sourceOpen_ = false;
  return true;
}

bool TwainSession::disableSource() {
  if (!sourceEnabled_) return true;
  TW_USERINTERFACE ui{0, 0, parent_};
  if (toSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) != TWRC_SUCCESS) return false;
  sourceEnabled_ = false;
  acquireState_ = 0;
  return true;
}

bool TwainSession::setMemoryTransfer() {
  TW_ONEVALUE value{TWTY_UINT16, TWSX_MEMORY};
  TW_CAPABILITY capability{ICAP_XFERMECH, TWON_ONEVALUE, &value};
  return toSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability) == TWRC_SUCCESS;
}

int TwainSession::acquire(const std::string& productName) {
  acquireState_ = 0;
  if (!openManager()) return kFailedQuietly;
  if (!openSource(productName)) {
    closeManager();
    return kSourceNotOpened;
  }
  if (!setMemoryTransfer()) {
    closeSource();
    closeManager();
    return kFailedQuietly;
  }
  if (sourceEnabled_) return kStarted;
  TW_USERINTERFACE ui{1, 0, parent_};
  acquireState_ = 3;
  if (toSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS) {
    acquireState_ = 0;
    return kFailedQuietly;
  }
  sourceEnabled_ = true;
  return kStarted;
}

bool TwainSession::filterEvent() {
  if (!managerOpen_ || !sourceOpen_ || inFilter_) return false;
  TW_EVENT event{nullptr, MSG_NULL};
  if (toSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) != TWRC_DSEVENT) return false;
  switch (event.TWMessage) {
    case MSG_XFERREADY:
      if (acquireState_ != 0) transferImages();
      break;
    case MSG_CLOSEDSREQ:
    case MSG_CLOSEDSOK:
      endAtSourceRequest();
      break;
    default:
      break;
  }
  return true;
}

void TwainSession::transferImages() {
  inFilter_ = true;
  try {
    runMemoryTransfers([this](TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message,
                              TW_MEMREF data) { return toSource(group, dat, message, data); },
                       [this](std::unique_ptr<ScannedImage> image) {
                         if (imageArrived) imageArrived(std::move(image));
                       });
  } catch (...) {
    // Whatever failed on the way (memory, the receiver of an image), the session must end.
    forceClosed();
  }
  inFilter_ = false;
}

void TwainSession::endAtSourceRequest() {
  if (disableSource() && closeSource() && closeManager()) {
    if (sessionClosed) sessionClosed();
    return;
  }
  // A source that will not be disabled or closed must not keep the window without input.
  forceClosed();
}

void TwainSession::closeAll() {
  const bool closed = disableSource() && closeSource() && closeManager();
  if (!closed) forceClosed();
}

void TwainSession::forceClosed() {
  forcing_ = true;
  if (entry_ != nullptr) {
    TW_USERINTERFACE ui{0, 0, parent_};
    if (sourceEnabled_) toSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    if (sourceOpen_) toManager(DAT_IDENTITY, MSG_CLOSEDS, &source_);
    TW_HANDLE parent = parent_;
    if (managerOpen_) toManager(DAT_PARENT, MSG_CLOSEDSM, &parent);
  }
  forcing_ = false;
  sourceEnabled_ = false;
  sourceOpen_ = false;
  acquireState_ = 0;
  entry_ = nullptr;
  library_->unload();
  source_ = TW_IDENTITY{};
  setManagerOpen(false);
}

}  // namespace tessaly::app
