// Reading a command line: options written "--name VALUE" or "--name=VALUE", flags, positional
// arguments, and numbers and pairs checked against their ranges. Every problem is thrown as a
// UsageError whose text names the option and what it accepts.
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
  // The argument now in turn looks like an option ("-x" or "--x", but not "-" or "--").
  bool atOption() const;
  // Takes the current argument when it is the flag `name`.
  bool flag(const char* name);
  // Takes the current argument when it is `name`, with its value from "=VALUE" or the next
  // argument (a missing value is a UsageError).
  bool option(const char* name, std::string& value);
  // Takes the current argument as it stands.
  std::string take();
  const std::string& current() const { return items_.at(next_); }

 private:
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
