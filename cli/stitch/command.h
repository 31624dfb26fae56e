// tessaly-stitch from its arguments to its exit code: check the command line, the result's
// format and folder and the pieces, stitch, shape and write the result, then print the summary
// and write the report.
#pragma once

#include <string>
#include <vector>

namespace stitchcli {

// The arguments after the program name; returns the process's exit code.
int runStitchCommand(const std::vector<std::string>& args);

}  // namespace stitchcli
