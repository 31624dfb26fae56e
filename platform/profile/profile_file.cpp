#include "tessaly/profile_file.h"

#include <algorithm>

namespace tessaly::profile {
namespace {

constexpr size_t npos = std::string::npos;

std::string_view trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lower(x) == lower(y); });
}

// The section name of a "[name]" line, or nothing.
std::optional<std::string_view> sectionName(std::string_view line) {
  line = trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  return trim(line.substr(1, close == npos ? npos : close - 1));
}

bool isComment(std::string_view line) {
  line = trim(line);
  return !line.empty() && line.front() == ';';
}

// The key name of a "key=value" line, or nothing.
std::optional<std::string_view> keyName(std::string_view line) {
  if (isComment(line) || sectionName(line)) return std::nullopt;
  const size_t equals = line.find('=');
  if (equals == npos) return std::nullopt;
  return trim(line.substr(0, equals));
}

std::string valueOf(std::string_view line) {
  std::string_view value = trim(line.substr(line.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

}  // namespace

ProfileFile ProfileFile::parse(std::string_view text) {
  ProfileFile file;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    std::string ending = newline == npos ? "" : "\n";
    if (!ending.empty() && !line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
      ending = "\r\n";
    }
    file.lines_.push_back({std::string(line), ending});
    text.remove_prefix(newline == npos ? text.size() : newline + 1);
  }
  return file;
}

size_t ProfileFile::findSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = sectionName(lines_[i].text);
    if (name && sameName(*name, trim(section))) return i;
  }
  return npos;
}

size_t ProfileFile::findKey(size_t sectionLine, std::string_view key) const {
  for (size_t i = sectionLine + 1; i < lines_.size() && !sectionName(lines_[i].text); ++i) {
    const auto name = keyName(lines_[i].text);
    if (name && sameName(*name, trim(key))) return i;
  }
  return npos;
}

size_t ProfileFile::sectionEnd(size_t sectionLine) const {
  size_t end = sectionLine + 1;
  for (size_t i = sectionLine + 1; i < lines_.size() && !sectionName(lines_[i].text); ++i) {
    if (!trim(lines_[i].text).empty()) end = i + 1;
  }
  return end;
}

std::optional<std::string> ProfileFile::value(std::string_view section,
                                              std::string_view key) const {
  const size_t sectionLine = findSection(section);
  if (sectionLine == npos) return std::nullopt;
  const size_t keyLine = findKey(sectionLine, key);
  if (keyLine == npos) return std::nullopt;
  return valueOf(lines_[keyLine].text);
}

std::string ProfileFile::value(std::string_view section, std::string_view key,
                               std::string_view fallback) const {
  auto found = value(section, key);
  return found ? *found : std::string(fallback);
}

std::string ProfileFile::newLineEnding() const {
  for (const Line& line : lines_) {
    if (!line.ending.empty()) return line.ending;
  }
  return "\r\n";  // the ending the settings files have always had
}

void ProfileFile::insertLine(size_t at, std::string text) {
  const std::string ending = newLineEnding();
  if (at > 0 && lines_[at - 1].ending.empty()) lines_[at - 1].ending = ending;
  lines_.insert(lines_.begin() + ptrdiff_t(at), Line{std::move(text), ending});
}

void ProfileFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
  size_t sectionLine = findSection(section);
  if (sectionLine == npos) {
    insertLine(lines_.size(), "[" + std::string(trim(section)) + "]");
    sectionLine = lines_.size() - 1;
  }
  const size_t keyLine = findKey(sectionLine, key);
  if (keyLine != npos) {
    // The key keeps the spelling it has in the file.
    lines_[keyLine].text = std::string(*keyName(lines_[keyLine].text)) + "=" + std::string(value);
    return;
  }
  insertLine(sectionEnd(sectionLine), std::string(trim(key)) + "=" + std::string(value));
}

bool ProfileFile::remove(std::string_view section, std::string_view key) {
  const size_t sectionLine = findSection(section);
  if (sectionLine == npos) return false;
  const size_t keyLine = findKey(sectionLine, key);
  if (keyLine == npos) return false;
  lines_.erase(lines_.begin() + ptrdiff_t(keyLine));
  return true;
}

std::string ProfileFile::text() const {
  std::string text;
  for (const Line& line : lines_) text += line.text + line.ending;
  return text;
}

}  // namespace tessaly::profile
