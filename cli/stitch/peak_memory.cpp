#include "peak_memory.h"

#include <cstdio>
#include <cstring>

namespace tessaly::cli::stitch {

int64_t peakMemoryBytes() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return 0;
  char line[256];
  long long kib = 0;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) {
      if (std::sscanf(line + 6, "%lld", &kib) != 1) kib = 0;
      break;
    }
  }
  std::fclose(status);
  return int64_t{kib} * 1024;
}

}  // namespace tessaly::cli::stitch
