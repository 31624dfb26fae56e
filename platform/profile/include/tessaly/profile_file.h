// A profile file: "[section]" lines followed by "key=value" lines. Section and key names match
// without regard to ASCII case, blanks around names and values are ignored, and a pair of
// matching quotes around a value is dropped when it is read. The file's text is kept line by
// line, so a change rewrites only the line it touches and everything else (comments, blank
// lines, the order of keys, the line endings) comes back byte for byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::profile {

class ProfileFile {
 public:
  ProfileFile() = default;

  // The text of a file as it stands; no line is ever cut short, however long.
  static ProfileFile parse(std::string_view text);

  // The value of `key` in `section`, or nothing when either is absent.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  // The value, or `fallback` when there is none.
  std::string value(std::string_view section, std::string_view key,
                    std::string_view fallback) const;

  // Replaces the key's value in place, or adds the key at the end of its section (the section
  // at the end of the file when it is new).
  void setValue(std::string_view section, std::string_view key, std::string_view value);
  // Removes the key's line; false when there was none.
  bool remove(std::string_view section, std::string_view key);

  // The whole file as text.
  std::string text() const;

 private:
  struct Line {
    std::string text;  // without its line ending
    std::string ending;
  };
  // Index of the "[section]" line, or npos.
  size_t findSection(std::string_view section) const;
  // Index of the key's line inside the section starting at `sectionLine`, or npos.
  size_t findKey(size_t sectionLine, std::string_view key) const;
  // One past the section's last non-blank line.
  size_t sectionEnd(size_t sectionLine) const;
  void insertLine(size_t at, std::string text);
  std::string newLineEnding() const;

  std::vector<Line> lines_;
};

}  // namespace tessaly::profile
