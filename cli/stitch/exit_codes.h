// The exit codes of tessaly-stitch and the failure that carries one out of the run.
#pragma once

#include <stdexcept>
#include <string>

namespace tessaly::cli::stitch {

enum class ExitCode : int {
  Success = 0,           // the result was written (warnings included)
  Setup = 1,             // the program itself cannot run: plug-ins missing, no temporary folder
  Usage = 2,             // the command line is wrong
  UnsuitablePieces = 3,  // a piece cannot be read or the pieces fail the checks before stitching
  StitchFailed = 4,      // the engine could not stitch the pieces
  WriteFailed = 5,       // the result (or the report) could not be written
  Cancelled = 130,       // Ctrl-C: 128 + SIGINT, as shells report it
  Terminated = 143,      // SIGTERM: 128 + SIGTERM
};

// A failure of one step: the exit code and the one line the user reads.
class Failure : public std::runtime_error {
 public:
  Failure(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  ExitCode code() const { return code_; }

 private:
  ExitCode code_;
};

}  // namespace tessaly::cli::stitch
