// tessaly-stitch: stitches overlapping scans of one document into one picture.
#include <string>
#include <vector>

#include "command.h"

int main(int argc, char** argv) {
  return stitchcli::runStitchCommand(std::vector<std::string>(argv + 1, argv + argc));
}
