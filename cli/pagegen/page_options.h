// The command line of tessaly-pagegen.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly::cli {

enum PageExit : int {
  kPageOk = 0,
  kPageUsage = 2,        // the command line is wrong
  kPageNoFonts = 3,      // the fonts cannot be opened
  kPageWriteFailed = 4,  // the page cannot be written
};

struct PageOptions {
  std::string output;
  int32_t dpi = 150;
  double paperWidthMm = 210;  // A4 unless asked otherwise
  double paperHeightMm = 297;
  int32_t pixelWidth = 0;  // both set: the page's size in pixels, whatever the paper
  int32_t pixelHeight = 0;
  uint64_t seed = 1;
  int quality = 92;
  std::string fontFolder = "/usr/share/fonts/truetype/dejavu";
  bool dense = false;  // the dense text page instead of the report page
  bool quiet = false;
  bool help = false;

  // The page's size in pixels: the paper at the resolution, or the size given.
  int32_t width() const;
  int32_t height() const;
};

// Throws UsageError naming the option at fault.
PageOptions parsePageOptions(int argc, const char* const* argv);

const char* pageUsage();

}  // namespace tessaly::cli
