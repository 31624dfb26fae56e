// Runs a program as a child process the way a user would, and reports how it went: what it
// printed on each stream, how it ended (exit code or signal), how long it took and the most
// memory it held.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::test {

struct ChildRun {
  std::string program;  // a path; the search path is not consulted
  std::vector<std::string> arguments;
  // Variables set (or replaced) in the child's environment; the rest is this process's.
  std::vector<std::pair<std::string, std::string>> environment;
  // The child is killed (SIGKILL) when it runs longer; no limit when empty.
  std::optional<std::chrono::milliseconds> timeLimit;
  // Called with everything the child has written to standard error so far; the first time it
  // returns true the child gets SIGINT, as from Ctrl-C.
  std::function<bool(const std::string& errorsSoFar)> interruptWhen;
};

struct ChildResult {
  int exitCode = -1;  // -1 unless the child exited by itself
  int signal = 0;     // the signal that ended the child, 0 when it exited
  bool timedOut = false;
  std::string standardOutput;
  std::string standardError;
  double seconds = 0;           // wall time from start to end
  int64_t peakMemoryBytes = 0;  // the child's largest resident set

  bool exited() const { return signal == 0 && exitCode >= 0; }
};

// Runs the child to its end (standard input reads nothing). Throws std::runtime_error when it
// cannot be started at all; a program that cannot be executed exits with 127.
ChildResult runChild(const ChildRun& run);

// runChild with nothing but the program and its arguments.
ChildResult runProgram(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace tessaly::test
