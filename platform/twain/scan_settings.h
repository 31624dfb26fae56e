// What one scan asks of the device: the settings the source's window gathers for a scan or a
// preview, and what the device made of them.
#pragma once

#include <optional>
#include <string>

#include "scan_area.h"

namespace tessaly::twain {

struct ScanSettings {
  double dotsPerInch = 0;           // 0: the device's own
  std::string mode;                 // "Color", "Gray", "Lineart"; empty: the device's own
  std::optional<AreaMm> area;       // none: the device's own (or it has no area)
  std::optional<std::string> file;  // the file a file-reading device reads; none: no such device
};

}  // namespace tessaly::twain
