// The preview: the whole bed scanned at a low resolution for the source's window to show. Nothing
// of it reaches the application, and the device keeps the settings it had before.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sane_device.h"
#include "scan_settings.h"

namespace tessaly::twain {

// The resolution a preview asks for; the device's nearest allowed one is used.
inline constexpr double kPreviewDotsPerInch = 60;

struct PreviewFrame {
  FrameShape shape;
  uint32_t rowBytes = 0;  // rows padded to 4 bytes, top row first
  std::vector<unsigned char> bytes;
};

struct PreviewResult {
  std::optional<PreviewFrame> frame;
  std::string message;  // why there is no frame
};

// Scans the preview with the file and mode of settings. Whatever happens, the device's settings
// are put back afterwards.
PreviewResult scanPreview(SaneDevice& device, const ScanSettings& settings);

}  // namespace tessaly::twain
