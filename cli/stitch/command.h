// tessaly-stitch from its options to its exit code: check the result's format and folder and
// the pieces, stitch, shape and write the result, then print the summary and write the report.
#pragma once

#include "options.h"

namespace tessaly::cli::stitch {

inline constexpr const char* kStitchProgram = "tessaly-stitch";

// Runs the stitch the options ask for; returns the process's exit code. Every failure it knows
// is reported on standard error and in the report, with its own exit code.
int runStitch(const Options& options);

}  // namespace tessaly::cli::stitch
