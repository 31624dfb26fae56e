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

// parse(argc, argv) returns the options (with a `help` flag) or throws UsageError, which exits
// with usageCode; run(options) returns the exit code; anything it throws exits with
// failureCode.
template <typename Parse, typename Run>
int programMain(const char* program, int argc, char** argv, Parse parse, const char* usage,
                Run run, int usageCode, int failureCode) {
  decltype(parse(argc, argv)) options;
  try {
    options = parse(argc, argv);
  } catch (const UsageError& problem) {
    return reportFailure(program, usageCode, problem.what());
  }
  if (options.help) {
    std::fputs(usage, stdout);
    return 0;
  }
  try {
    return run(options);
  } catch (const std::bad_alloc&) {
    return reportFailure(program, failureCode, "out of memory");
  } catch (const std::exception& problem) {
    return reportFailure(program, failureCode, problem.what());
  }
}

}  // namespace tessaly::cli
