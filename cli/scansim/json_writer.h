// A writer of indented JSON text: objects, arrays, strings (escaped), numbers and booleans, with
// the commas and nesting kept by the writer so callers only name what they write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::cli {

class JsonWriter {
 public:
  JsonWriter& beginObject(const char* key = nullptr);
  JsonWriter& endObject();
  JsonWriter& beginArray(const char* key = nullptr);
  JsonWriter& endArray();
  JsonWriter& value(const char* key, const std::string& text);
  JsonWriter& value(const char* key, const char* text) { return value(key, std::string(text)); }
  JsonWriter& value(const char* key, int64_t number);
  JsonWriter& value(const char* key, int32_t number) { return value(key, int64_t{number}); }
  JsonWriter& value(const char* key, double number);
  JsonWriter& value(const char* key, bool flag);

  // The whole text, ending with a line break once every object and array is closed.
  std::string text() const { return text_ + "\n"; }

 private:
  void open(const char* key, char bracket);
  void close(char bracket);
  void element(const char* key, const std::string& literal);
  void startElement(const char* key);

  std::string text_;
  std::vector<bool> hasElements_;
};

// The text as a JSON string literal, quotes included.
std::string jsonQuoted(const std::string& text);

// Writes text to path through a temporary file in the same folder, renamed over path once it
// is complete. Returns false with a sentence in `error`.
bool writeTextFile(const std::string& path, const std::string& text, std::string& error);

}  // namespace tessaly::cli
