// Runs a program as a child process and collects what it prints and how it ends.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace clitest {

struct ProgramResult {
  int exitCode = -1;  // -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Called with everything the program has written to standard error so far; returning true
// sends SIGINT to the program (once).
using InterruptWhen = std::function<bool(const std::string& errSoFar)>;

// Runs program with args, waiting for it to end (killing it after timeoutSeconds).
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const InterruptWhen& interruptWhen = nullptr, int timeoutSeconds = 600);

}  // namespace clitest
