// The memory the process's control groups still allow. A container or a service with a memory
// limit sees the whole machine's MemAvailable, yet is killed at its own limit; the job must be
// measured against the smaller of the two.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tessaly::cli::stitch {

// The smallest headroom (limit minus the memory in use that cannot be reclaimed) over the
// process's memory control group and each of its ancestors, read from the control group
// file system at `root` for the groups listed in `selfCgroup` (the text of /proc/self/cgroup).
// Both layouts are read: the unified one ("0::/path": memory.max, memory.current) and the
// older one ("N:...memory...:/path" under root/memory: memory.limit_in_bytes,
// memory.usage_in_bytes). Inactive file pages count as free, as the kernel reclaims them before
// it kills anything. Nothing when no limit applies or nothing can be read.
std::optional<int64_t> cgroupHeadroomBytes(const std::string& root, const std::string& selfCgroup);

// The same for this process, from /sys/fs/cgroup and /proc/self/cgroup.
std::optional<int64_t> cgroupHeadroomBytes();

}  // namespace tessaly::cli::stitch
