// truth.json: what a scanning session really was, for tests and benchmarks to compare a
// stitch against. It names the page's size and resolution, the grid, and for every piece its
// file, place, tilt, turn, tone changes and modification time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scan_plan.h"

namespace tessaly::cli {

struct TruthHeader {
  std::string source;  // the page the scans were cut from
  int32_t dpi = 0;     // the resolution tag of every scan
  uint64_t seed = 0;
  std::vector<std::string> files;  // per piece, scanning order, as written
};

std::string truthJson(const ScanPlan& plan, const TruthHeader& header);

}  // namespace tessaly::cli
