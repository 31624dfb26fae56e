// The frame of a command-line program: parse the command line, show the help text or run, and
// turn every failure into one line "program: what went wrong" with its exit code.
#pragma once

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "arguments.h"

namespace tessaly::cli {

inline int reportFailure(const char* program, int code, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program, message.c_str());
  return code;
}

struct ProgramFrame {
  const char* name;   // as the messages begin: "tessaly-scansim"
  const char* usage;  // the help text, printed on standard output for --help
  int usageCode;      // the exit code of a wrong command line
  int failureCode;    // the exit code when the run throws
  // After a command-line mistake, a second line that points to --help.
  bool pointToHelp = false;
};

// parse(argc, argv) returns the options (with a `help` flag) or throws UsageError, which exits
// with frame.usageCode; run(options) returns the exit code; anything it throws exits with
// frame.failureCode.
template <typename Parse, typename Run>
int programMain(const ProgramFrame& frame, int argc, char** argv, Parse parse, Run run) {
  decltype(parse(argc, argv)) options;
  try {
    options = parse(argc, argv);
  } catch (const UsageError& problem) {
    reportFailure(frame.name, frame.usageCode, problem.what());
    if (frame.pointToHelp) std::fprintf(stderr, "Try '%s --help' for more.\n", frame.name);
    return frame.usageCode;
  }
  if (options.help) {
    std::fputs(frame.usage, stdout);
    return 0;
  }
  try {
    return run(options);
  } catch (const std::bad_alloc&) {
    return reportFailure(frame.name, frame.failureCode, "out of memory");
  } catch (const std::exception& problem) {
    return reportFailure(frame.name, frame.failureCode, problem.what());
  }
}

}  // namespace tessaly::cli
