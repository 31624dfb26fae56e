// Writing the stitched picture: the format its name asks for, the resolution of the run, and
// never a partial or replaced file when writing fails or Ctrl-C arrives.
#pragma once

#include <cstdint>
#include <string>

#include "QuiltexEngine.h"

namespace tessaly::cli::stitch {

// Before stitching: the folder of an output (role: "result", "report") must exist and take new
// files. Throws Failure(WriteFailed) saying which folder and why.
void checkOutputFolder(const std::string& path, const char* role);

// Writes image to path in format formatId with dpi in both directions. The picture goes to a
// temporary name in the same folder and is renamed over path only when complete and not
// cancelled. Throws Failure(WriteFailed) or Failure(Cancelled).
void writeResult(const std::string& path, int32_t formatId, const tagPixelArray& image,
                 int32_t dpi);

}  // namespace tessaly::cli::stitch
