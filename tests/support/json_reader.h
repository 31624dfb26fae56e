// A small JSON reader for tests: parses a document into a tree of values, so that tests check
// what a report or truth file says rather than how its text happens to be laid out.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::test {

// A document that is not JSON, or a question the value cannot answer (the wrong kind, a
// missing member, an index past the end). The text says which.
class JsonError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class JsonValue {
 public:
  enum class Kind { Null, Boolean, Number, String, Array, Object };

  JsonValue() = default;
  static JsonValue boolean(bool value);
  static JsonValue number(double value);
  static JsonValue string(std::string value);
  static JsonValue array(std::vector<JsonValue> items);
  // Members in document order; a repeated name keeps its first value for lookups.
  static JsonValue object(std::vector<std::string> names, std::vector<JsonValue> values);

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Kind::Null; }

  // Each throws JsonError when the value is of another kind.
  bool asBool() const;
  double asNumber() const;
  int64_t asInteger() const;  // also when the number is not whole
  const std::string& asString() const;

  // Arrays: the items. Objects: the members' values, in document order.
  const std::vector<JsonValue>& items() const;
  // Objects: the members' names, in document order.
  const std::vector<std::string>& names() const;
  size_t size() const { return items().size(); }

  bool has(std::string_view name) const;
  const JsonValue& operator[](std::string_view name) const;  // objects
  const JsonValue& operator[](size_t index) const;           // arrays
  const JsonValue& operator[](int index) const { return (*this)[size_t(index)]; }

 private:
  void expect(Kind kind, const char* asked) const;

  Kind kind_ = Kind::Null;
  bool boolean_ = false;
  double number_ = 0;
  std::string string_;
  std::vector<std::string> names_;
  std::vector<JsonValue> items_;
};

// Parses one JSON document (surrounding white space allowed). Throws JsonError naming the byte
// offset of the first fault.
JsonValue parseJson(std::string_view text);

// Parses the whole file; throws JsonError naming the file when it is unreadable or not JSON.
JsonValue readJsonFile(const std::string& path);

}  // namespace tessaly::test
