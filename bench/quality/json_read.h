// A small reader of JSON text into a tree, enough for the scan simulator's truth.json and the
// stitch report: objects, arrays, strings, numbers, true, false and null.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessaly::quality {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;

  // The member `name` of an object; throws std::runtime_error naming it when it is missing.
  const JsonValue& at(const std::string& name) const;
  bool has(const std::string& name) const { return members.count(name) > 0; }
};

// Throws std::runtime_error with the offset of the fault when the text is not JSON.
JsonValue parseJson(const std::string& text);

// Reads and parses a whole file; throws std::runtime_error naming the file on failure.
JsonValue readJsonFile(const std::string& path);

}  // namespace tessaly::quality
