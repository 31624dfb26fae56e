// The source's own window: resolution, mode, scan area, the file a file-reading device reads, a
// preview of the bed, Scan and Close. It is not modal, so the program stays live while the user
// scans piece after piece; its buttons ask the manager for a transfer or for the end of the
// session, which reach the program as source events. The preview reaches only the window.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "scan_settings.h"

namespace tessaly::twain {

class SourceManager;

// What the window starts with.
struct DialogSetup {
  std::string title;
  ScanSettings settings;      // the device's current ones; a file field only with settings.file
  std::optional<AreaMm> bed;  // none: the device has no scan area, the area fields are disabled
};

class ScanDialog {
 public:
  // Shown over parent (a QWidget*, may be null); null when there is no application object.
  static std::unique_ptr<ScanDialog> show(void* parent, SourceManager& manager,
                                          const DialogSetup& setup);
  virtual ~ScanDialog() = default;
  // Lets the program's event loop see a source event: posts a harmless event to the parent.
  virtual void wakeParent() = 0;
};

}  // namespace tessaly::twain
