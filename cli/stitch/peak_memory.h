// The most memory the process has held at once, and the kernel's memory figures it is read from.
#pragma once

#include <cstdint>

namespace tessaly::cli::stitch {

// The resident set's high-water mark (VmHWM of /proc/self/status) in bytes; 0 when unknown.
int64_t peakMemoryBytes();

// A "Name:   N kB" line of a /proc file (e.g. "MemAvailable:" of /proc/meminfo) in bytes; 0 when
// the file or the line cannot be read.
int64_t kibFieldBytes(const char* path, const char* field);

}  // namespace tessaly::cli::stitch
