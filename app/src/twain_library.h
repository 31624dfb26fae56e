// The source manager's library: loaded by its bare name (the normal search order) when the
// manager is opened and freed when it is closed. Its entry point is DSM_Entry.
#pragma once

#include <memory>

#include "tessaly/twain/twain.h"

namespace tessaly::app {

class ManagerLibrary {
 public:
  virtual ~ManagerLibrary() = default;
  // The entry point, or null when the library cannot be loaded.
  virtual DSMENTRYPROC load() = 0;
  virtual void unload() = 0;
};

// "libTWAIN_32.so" by its bare name, else from the library folder beside the program's own.
std::unique_ptr<ManagerLibrary> sharedManagerLibrary();

}  // namespace tessaly::app
