// A small writer of indented JSON text, enough for the run report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::cli {

// text as a JSON string with its quotes. Bytes that are not valid UTF-8 (file names may hold
// any bytes) become U+FFFD, so the report is always valid JSON.
std::string jsonQuoted(std::string_view text);

class JsonWriter {
 public:
  JsonWriter& beginObject() { return open('{'); }
  JsonWriter& endObject() { return close('}'); }
  JsonWriter& beginArray() { return open('['); }
  JsonWriter& endArray() { return close(']'); }
  // The name of the next member of the current object.
  JsonWriter& key(std::string_view name);
  JsonWriter& value(std::string_view text);
  JsonWriter& value(const char* text) { return value(std::string_view(text)); }
  JsonWriter& value(int64_t number);
  JsonWriter& value(int number) { return value(int64_t{number}); }
  JsonWriter& value(double number);  // finite numbers only; others are written as null
  JsonWriter& value(bool flag);
  JsonWriter& null();
  // key(name) followed by value(v).
  template <typename T>
  JsonWriter& member(std::string_view name, const T& v) {
    return key(name).value(v);
  }

  const std::string& text() const { return out_; }

 private:
  JsonWriter& open(char bracket);
  JsonWriter& close(char bracket);
  void beforeValue();
  void newLine();

  std::string out_;
  std::vector<bool> hasItems_;  // per open bracket
  bool afterKey_ = false;
};

}  // namespace tessaly::cli
