// The scan area of an open device through its corner options ("tl-x", "tl-y", "br-x", "br-y"),
// and the settings record applied to and read back from the device.
#pragma once

#include <optional>

#include "sane_device.h"
#include "scan_area.h"
#include "scan_settings.h"

namespace tessaly::twain {

// The name of the option naming the file a file-reading device "scans".
inline constexpr const char* kFileOption = "filename";

// The device's corner ranges and unit; none when it has no usable corner options.
std::optional<Geometry> geometryOf(const SaneDevice& device);

// The area the device's corners describe now; none without corner options.
std::optional<AreaMm> currentArea(const SaneDevice& device);

// Sets the corners for area (clamped and stepped as the device allows); false when the device
// has no corners or refuses one.
bool applyArea(SaneDevice& device, const AreaMm& area);

// The device's current settings, as a scan would use them.
ScanSettings currentSettings(const SaneDevice& device);

// Applies every setting the record holds (file, mode, resolution, then the area, whose pixel
// units depend on the resolution) and returns what the device holds afterwards: a device may
// round what it was given.
ScanSettings applySettings(SaneDevice& device, const ScanSettings& settings);

}  // namespace tessaly::twain
