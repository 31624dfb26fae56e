// Reading a command line: options written "--name VALUE", "--name=VALUE" or "-n VALUE", flags,
// positional arguments, "--" ending the options, and numbers and pairs checked against their
// ranges. Every problem is thrown as a UsageError whose text names the option and what it
// accepts. Each program walks its arguments in its own order; this class does the reading.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaly::cli {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Arguments {
 public:
  Arguments(int argc, const char* const* argv);

  bool done() const { return next_ >= items_.size(); }
  bool empty() const { return items_.empty(); }
  // Takes a "--" while options are still read: every argument after it is positional.
  bool endOfOptions();
  // The argument now in turn looks like an option ("-x" or "--x", but not "-" or "--") and
  // options are still read.
  bool atOption() const;
  // Takes the current argument when it is the flag `name`. "--name=VALUE" is a UsageError.
  bool flag(const char* name);
  // Takes the current argument when it is `name`, with its value from the next argument or,
  // for a long name ("--name"), from "=VALUE". A missing value is a UsageError.
  bool option(const char* name, std::string& value);
  // Takes the current argument as it stands.
  std::string take();
  const std::string& current() const { return items_.at(next_); }
  // The current option's name: the argument without the "=VALUE" of a long option.
  std::string currentName() const;

 private:
  bool optionsEnded_ = false;
  std::vector<std::string> items_;
  size_t next_ = 0;
};

int64_t parseInteger(const std::string& option, const std::string& text, int64_t low, int64_t high);
double parseNumber(const std::string& option, const std::string& text, double low, double high);

// "AxB" (or "A,B" / "AXB") with both numbers in [low, high].
struct IntPair {
  int64_t first = 0;
  int64_t second = 0;
};
IntPair parsePair(const std::string& option, const std::string& text, int64_t low, int64_t high);

}  // namespace tessaly::cli
