#include "json_writer.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace tessaly::cli {

std::string jsonQuoted(const std::string& text) {
  std::string out = "\"";
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

void JsonWriter::startElement(const char* key) {
  if (!hasElements_.empty()) {
    if (hasElements_.back()) text_ += ',';
    hasElements_.back() = true;
    text_ += '\n';
    text_.append(hasElements_.size() * 2, ' ');
  }
  if (key != nullptr) text_ += jsonQuoted(key) + ": ";
}

void JsonWriter::open(const char* key, char bracket) {
  startElement(key);
  text_ += bracket;
  hasElements_.push_back(false);
}

void JsonWriter::close(char bracket) {
  const bool any = hasElements_.back();
  hasElements_.pop_back();
  if (any) {
    text_ += '\n';
    text_.append(hasElements_.size() * 2, ' ');
  }
  text_ += bracket;
}

void JsonWriter::element(const char* key, const std::string& literal) {
  startElement(key);
  text_ += literal;
}

JsonWriter& JsonWriter::beginObject(const char* key) {
  open(key, '{');
  return *this;
}
JsonWriter& JsonWriter::endObject() {
  close('}');
  return *this;
}
JsonWriter& JsonWriter::beginArray(const char* key) {
  open(key, '[');
  return *this;
}
JsonWriter& JsonWriter::endArray() {
  close(']');
  return *this;
}
JsonWriter& JsonWriter::value(const char* key, const std::string& text) {
  element(key, jsonQuoted(text));
  return *this;
}
JsonWriter& JsonWriter::value(const char* key, int64_t number) {
  element(key, std::to_string(number));
  return *this;
}
JsonWriter& JsonWriter::value(const char* key, double number) {
  // JSON has no infinities or NaN; none of our values should be one, but never write bad JSON.
  if (!std::isfinite(number)) number = 0;
  char text[40];
  std::snprintf(text, sizeof text, "%.10g", number);
  element(key, text);
  return *this;
}
JsonWriter& JsonWriter::value(const char* key, bool flag) {
  element(key, flag ? "true" : "false");
  return *this;
}

bool writeTextFile(const std::string& path, const std::string& text, std::string& error) {
  const std::string temporary = path + ".part" + std::to_string(::getpid());
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot create " + temporary + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace tessaly::cli
