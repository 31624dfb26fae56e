// The command line of tessaly-scansim.
#pragma once

#include <string>

#include "scan_plan.h"

namespace tessaly::cli {

// Exit codes, listed in the help text.
enum ScanExit : int {
  kScanOk = 0,
  kScanUsage = 2,        // the command line is wrong
  kScanBadSource = 3,    // the source page cannot be read or cannot be cut as asked
  kScanWriteFailed = 4,  // a scan, truth.json or the output folder cannot be written
};

struct ScanOptions {
  ScanSettings settings;
  std::string source;
  std::string outputFolder;
  std::string truthPath;  // empty: truth.json in the output folder
  std::string extension = "jpg";
  std::string prefix = "scan";
  int quality = 90;
  int32_t dpi = 0;  // 0: the source's resolution, else 300
  bool quiet = false;
  bool help = false;
};

// Throws UsageError naming the option at fault.
ScanOptions parseScanOptions(int argc, const char* const* argv);

const char* scanUsage();

// "scan-03.jpg": numbered from 1 in scanning order, with as many digits as the count needs
// (at least two), so that the names sort in scanning order too.
std::string scanFileName(const std::string& prefix, int index, int count,
                         const std::string& extension);

}  // namespace tessaly::cli
