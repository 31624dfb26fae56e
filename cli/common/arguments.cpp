#include "arguments.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tessaly::cli {

Arguments::Arguments(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) items_.emplace_back(argv[i]);
}

namespace {

bool isLongName(const std::string& text) {
  return text.size() > 2 && text.compare(0, 2, "--") == 0;
}

// text is "name=VALUE" for the long option `name`.
bool hasAttachedValue(const std::string& text, const char* name, size_t length) {
  return isLongName(name) && text.size() > length && text[length] == '=' &&
         text.compare(0, length, name) == 0;
}

}  // namespace

bool Arguments::endOfOptions() {
  if (optionsEnded_ || done() || items_[next_] != "--") return false;
  optionsEnded_ = true;
  ++next_;
  return true;
}

bool Arguments::atOption() const {
  if (done() || optionsEnded_) return false;
  const std::string& text = items_[next_];
  return text.size() > 1 && text[0] == '-' && text != "--";
}

bool Arguments::flag(const char* name) {
  if (!atOption()) return false;
  const std::string& text = items_[next_];
  if (hasAttachedValue(text, name, std::strlen(name)))
    throw UsageError("option '" + std::string(name) + "' takes no value");
  if (text != name) return false;
  ++next_;
  return true;
}

bool Arguments::option(const char* name, std::string& value) {
  if (!atOption()) return false;
  const std::string& text = items_[next_];
  const size_t length = std::strlen(name);
  if (text == name) {
    if (next_ + 1 >= items_.size())
      throw UsageError("option '" + std::string(name) + "' needs a value");
    value = items_[next_ + 1];
    next_ += 2;
    return true;
  }
  if (!hasAttachedValue(text, name, length)) return false;
  value = text.substr(length + 1);
  ++next_;
  return true;
}

std::string Arguments::take() {
  return items_.at(next_++);
}

std::string Arguments::currentName() const {
  const std::string& text = current();
  const size_t equals = text.find('=');
  return isLongName(text) && equals != std::string::npos ? text.substr(0, equals) : text;
}

int64_t parseInteger(const std::string& option, const std::string& text, int64_t low,
                     int64_t high) {
  const std::string range = " (" + std::to_string(low) + " to " + std::to_string(high) + ")";
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || value < low || value > high)
    throw UsageError(option + " wants a whole number" + range + ", not \"" + text + "\"");
  return value;
}

double parseNumber(const std::string& option, const std::string& text, double low, double high) {
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value) || value < low ||
      value > high) {
    char range[96];
    std::snprintf(range, sizeof range, " (%g to %g)", low, high);
    throw UsageError(option + " wants a number" + range + ", not \"" + text + "\"");
  }
  return value;
}

IntPair parsePair(const std::string& option, const std::string& text, int64_t low, int64_t high) {
  const size_t split = text.find_first_of("xX,");
  if (split == std::string::npos)
    throw UsageError(option + " wants two numbers written AxB, not \"" + text + "\"");
  return {parseInteger(option, text.substr(0, split), low, high),
          parseInteger(option, text.substr(split + 1), low, high)};
}

}  // namespace tessaly::cli
