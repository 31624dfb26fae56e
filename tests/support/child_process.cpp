#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace tessaly::test {

namespace {

using Clock = std::chrono::steady_clock;

// Everything the child needs is built before fork: between fork and exec only
// async-signal-safe calls are allowed.
struct ExecWords {
  std::vector<std::string> storage;
  std::vector<char*> argv;
  std::vector<char*> envp;
};

bool overridden(const std::string& entry, const ChildRun& run) {
  for (const auto& [name, value] : run.environment) {
    if (entry.compare(0, name.size() + 1, name + "=") == 0) return true;
  }
  return false;
}

ExecWords execWords(const ChildRun& run) {
  ExecWords words;
  words.storage.push_back(run.program);
  words.storage.insert(words.storage.end(), run.arguments.begin(), run.arguments.end());
  const size_t argumentCount = words.storage.size();
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!overridden(*entry, run)) words.storage.emplace_back(*entry);
  }
  for (const auto& [name, value] : run.environment) words.storage.push_back(name + "=" + value);
  for (size_t i = 0; i < words.storage.size(); ++i) {
    (i < argumentCount ? words.argv : words.envp).push_back(words.storage[i].data());
  }
  words.argv.push_back(nullptr);
  words.envp.push_back(nullptr);
  return words;
}

// Appends what is waiting on fd; false once the other end is closed.
bool drain(int fd, std::string& into) {
  char buffer[4096];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) into.append(buffer, size_t(n));
  return n > 0 || (n < 0 && (errno == EINTR || errno == EAGAIN));
}

[[noreturn]] void becomeChild(const ExecWords& words, int input, int output, int errors) {
  ::dup2(input, STDIN_FILENO);
  ::dup2(output, STDOUT_FILENO);
  ::dup2(errors, STDERR_FILENO);
  ::execve(words.argv[0], words.argv.data(), words.envp.data());
  ::_exit(127);
}

class Pipe {
 public:
  Pipe() {
    if (::pipe2(ends_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  }
  ~Pipe() {
    closeReading();
    closeWriting();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int reading() const { return ends_[0]; }
  int writing() const { return ends_[1]; }
  void closeReading() { closeEnd(0); }
  void closeWriting() { closeEnd(1); }

 private:
  void closeEnd(int which) {
    if (ends_[which] >= 0) ::close(ends_[which]);
    ends_[which] = -1;
  }
  int ends_[2] = {-1, -1};
};

// Reads both streams until the child closes them, interrupting or killing it on the way.
void collect(const ChildRun& run, pid_t child, Pipe& output, Pipe& errors, ChildResult& result) {
  const Clock::time_point start = Clock::now();
  bool outputOpen = true, errorsOpen = true, interrupted = false;
  while (outputOpen || errorsOpen) {
    pollfd fds[2] = {{outputOpen ? output.reading() : -1, POLLIN, 0},
                     {errorsOpen ? errors.reading() : -1, POLLIN, 0}};
    ::poll(fds, 2, 100);
    if (outputOpen && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
      outputOpen = drain(output.reading(), result.standardOutput);
    if (errorsOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
      errorsOpen = drain(errors.reading(), result.standardError);
    if (!interrupted && run.interruptWhen && run.interruptWhen(result.standardError)) {
      ::kill(child, SIGINT);
      interrupted = true;
    }
    if (run.timeLimit && Clock::now() - start > *run.timeLimit) {
      ::kill(child, SIGKILL);
      result.timedOut = true;
      break;
    }
  }
}

}  // namespace

ChildResult runChild(const ChildRun& run) {
  const ExecWords words = execWords(run);
  const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (nothing < 0) throw std::runtime_error("cannot open /dev/null");
  Pipe output, errors;
  const Clock::time_point start = Clock::now();
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(nothing);
    throw std::runtime_error(std::string("fork failed: ") + std::strerror(errno));
  }
  if (child == 0) becomeChild(words, nothing, output.writing(), errors.writing());
  ::close(nothing);
  output.closeWriting();
  errors.closeWriting();

  ChildResult result;
  collect(run, child, output, errors, result);
  int status = 0;
  rusage usage{};
  while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.peakMemoryBytes = int64_t{usage.ru_maxrss} * 1024;  // kibibytes on Linux
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

ChildResult runProgram(const std::string& program, const std::vector<std::string>& arguments) {
  return runChild({program, arguments, {}, std::nullopt, nullptr});
}

}  // namespace tessaly::test
