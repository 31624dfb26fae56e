#include "workers.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "options.h"

namespace tessaly::cli::stitch {

int stitchWorkers(int threadsOption) {
  if (threadsOption > 0) return std::min(threadsOption, kMaxThreads);
  if (const char* text = std::getenv("TESSALY_THREADS"); text != nullptr && *text != '\0') {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (*end == '\0' && n >= 1 && n <= kMaxThreads) return static_cast<int>(n);
  }
  return static_cast<int>(
      std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, kMaxThreads));
}

}  // namespace tessaly::cli::stitch
