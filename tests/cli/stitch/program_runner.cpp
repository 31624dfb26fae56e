#include "program_runner.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace clitest {

namespace {

[[noreturn]] void execChild(const std::string& program, const std::vector<std::string>& args,
                            int outFd, int errFd) {
  ::dup2(outFd, STDOUT_FILENO);
  ::dup2(errFd, STDERR_FILENO);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

// Appends what is waiting on fd; false once the pipe is closed.
bool drain(int fd, std::string& into) {
  char buffer[4096];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) into.append(buffer, size_t(n));
  return n > 0 || (n < 0 && errno == EINTR);
}

}  // namespace

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const InterruptWhen& interruptWhen, int timeoutSeconds) {
  int outPipe[2], errPipe[2];
  if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    execChild(program, args, outPipe[1], errPipe[1]);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);

  ProgramResult result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  bool outOpen = true, errOpen = true, interrupted = false;
  while (outOpen || errOpen) {
    pollfd fds[2] = {{outOpen ? outPipe[0] : -1, POLLIN, 0},
                     {errOpen ? errPipe[0] : -1, POLLIN, 0}};
    ::poll(fds, 2, 200);
    if (outOpen && (fds[0].revents & (POLLIN | POLLHUP))) outOpen = drain(outPipe[0], result.out);
    if (errOpen && (fds[1].revents & (POLLIN | POLLHUP))) errOpen = drain(errPipe[0], result.err);
    if (!interrupted && interruptWhen && interruptWhen(result.err)) {
      ::kill(child, SIGINT);
      interrupted = true;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      break;
    }
  }
  ::close(outPipe[0]);
  ::close(errPipe[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace clitest
