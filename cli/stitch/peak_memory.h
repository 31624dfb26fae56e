// The most memory the process has held at once.
#pragma once

#include <cstdint>

namespace tessaly::cli::stitch {

// The resident set's high-water mark (VmHWM of /proc/self/status) in bytes; 0 when unknown.
int64_t peakMemoryBytes();

}  // namespace tessaly::cli::stitch
