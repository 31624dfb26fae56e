#include "memory_budget.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "cgroup_memory.h"
#include "exit_codes.h"
#include "peak_memory.h"

namespace tessaly::cli::stitch {

namespace {

// Buffers, tables and the progress of alignment that do not grow with the pieces.
constexpr int64_t kWorkingSetBytes = int64_t{256} << 20;
// How many decoded pieces the engine may hold at once while it aligns and blends.
constexpr int64_t kPiecesHeld = 3;

int64_t pieceBytes(const Piece& p) {
  const int64_t rowBytes = (int64_t{std::max(p.width, 0)} * 3 + 3) / 4 * 4;
  return rowBytes * std::max(p.height, 0);
}

std::string gigabytes(int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f GB", double(bytes) / 1e9);
  return text;
}

}  // namespace

int64_t estimatedPeakBytes(const std::vector<Piece>& pieces, int outputSize) {
  int64_t all = 0, largest = 0;
  for (const Piece& p : pieces) {
    all += pieceBytes(p);
    largest = std::max(largest, pieceBytes(p));
  }
  const int halvings = std::clamp(outputSize, 0, 30);
  const int64_t result = all >> (2 * std::min(halvings, 15));
  return result + kPiecesHeld * largest + kWorkingSetBytes;
}

int64_t availableMemoryBytes() {
  const int64_t machine = kibFieldBytes("/proc/meminfo", "MemAvailable:");
  const std::optional<int64_t> group = cgroupHeadroomBytes();
  if (!group) return machine;
  // A group with no headroom left at all still counts as known: 1 byte refuses every job.
  const int64_t allowed = std::max<int64_t>(*group, 1);
  return machine > 0 ? std::min(machine, allowed) : allowed;
}

void checkMemoryFits(const std::vector<Piece>& pieces, int outputSize, int64_t availableBytes) {
  const int64_t needed = estimatedPeakBytes(pieces, outputSize);
  if (availableBytes <= 0 || needed <= availableBytes) return;
  throw Failure(ExitCode::Setup,
                "stitching these pieces needs about " + gigabytes(needed) +
                    " of memory, but only " + gigabytes(availableBytes) +
                    " is available; close other programs, ask for a smaller result with "
                    "--output-size, or stitch fewer pieces at a time");
}

}  // namespace tessaly::cli::stitch
