// Ctrl-C and SIGTERM: the first one asks the run to stop at the engine's next progress report
// (which then cleans up and returns "cancelled"); a second one ends the program at once, after
// removing the partly written files it knows of.
#pragma once

#include <string>

namespace tessaly::cli::stitch {

// Catches SIGINT and SIGTERM.
void installCancelHandler();
bool cancelRequested();
// The exit code of a cancelled run: 128 + the first signal (130 for Ctrl-C, 143 for SIGTERM).
int cancelExitCode();

// Notes a file being written under a temporary name, so that an immediate exit removes it too.
// The note lives until the object goes; a path that does not fit is only removed the ordinary
// way.
class StagedForCancel {
 public:
  explicit StagedForCancel(const std::string& path);
  ~StagedForCancel();
  StagedForCancel(const StagedForCancel&) = delete;
  StagedForCancel& operator=(const StagedForCancel&) = delete;

 private:
  int slot_;
};

}  // namespace tessaly::cli::stitch
