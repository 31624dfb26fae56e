#include "peak_memory.h"

#include <cstdio>
#include <cstring>

namespace tessaly::cli::stitch {

int64_t kibFieldBytes(const char* path, const char* field) {
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return 0;
  const size_t length = std::strlen(field);
  char line[256];
  long long kib = 0;
  while (std::fgets(line, sizeof line, file) != nullptr) {
    if (std::strncmp(line, field, length) == 0) {
      if (std::sscanf(line + length, "%lld", &kib) != 1) kib = 0;
      break;
    }
  }
  std::fclose(file);
  return int64_t{kib} * 1024;
}

int64_t peakMemoryBytes() {
  return kibFieldBytes("/proc/self/status", "VmHWM:");
}

}  // namespace tessaly::cli::stitch
