// tessaly-stitch: stitches overlapping scans of one document into one picture.
#include "command.h"
#include "exit_codes.h"
#include "options.h"
#include "program_main.h"

int main(int argc, char** argv) {
  using namespace tessaly::cli;
  const ProgramFrame frame{stitch::kStitchProgram, stitch::helpText(),
                           static_cast<int>(stitch::ExitCode::Usage),
                           static_cast<int>(stitch::ExitCode::StitchFailed), true};
  return programMain(frame, argc, argv, stitch::parseStitchOptions, stitch::runStitch);
}
