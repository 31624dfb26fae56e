// The source's own window: resolution and mode, Scan and Close. It is not modal, so the program
// stays live while the user scans piece after piece; its buttons ask the manager for a transfer
// or for the end of the session, which reach the program as source events.
#pragma once

#include <memory>
#include <string>

namespace tessaly::twain {

class SourceManager;

class ScanDialog {
 public:
  // Shown over parent (a QWidget*, may be null); null when there is no application object.
  static std::unique_ptr<ScanDialog> show(void* parent, SourceManager& manager,
                                          const std::string& title, double dotsPerInch,
                                          const std::string& mode);
  virtual ~ScanDialog() = default;
  // Lets the program's event loop see a source event: posts a harmless event to the parent.
  virtual void wakeParent() = 0;
};

}  // namespace tessaly::twain
