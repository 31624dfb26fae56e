#include "json_read.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tessaly::quality {
namespace {

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text) {}

  JsonValue document() {
    JsonValue value = parseValue(0);
    skipBlanks();
    if (at_ != text_.size()) fail("text after the value");
    return value;
  }

 private:
  // Nesting this deep is no document of ours; stopping keeps a hostile file off the stack.
  static constexpr int kMaxDepth = 64;

  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(at_));
  }

  void skipBlanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t'))
      ++at_;
  }

  bool take(char c) {
    skipBlanks();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  void expect(char c) {
    if (!take(c)) fail(std::string("expected '") + c + "'");
  }

  bool takeWord(const char* word) {
    const std::string w(word);
    if (text_.compare(at_, w.size(), w) != 0) return false;
    at_ += w.size();
    return true;
  }

  JsonValue parseValue(int depth) {
    if (depth > kMaxDepth) fail("nesting too deep");
    skipBlanks();
    if (at_ >= text_.size()) fail("unexpected end");
    JsonValue value;
    const char c = text_[at_];
    if (c == '{') {
      parseObject(value, depth);
    } else if (c == '[') {
      parseArray(value, depth);
    } else if (c == '"') {
      value.kind = JsonValue::Kind::kString;
      value.text = parseString();
    } else if (takeWord("true")) {
      value.kind = JsonValue::Kind::kBool;
      value.boolean = true;
    } else if (takeWord("false")) {
      value.kind = JsonValue::Kind::kBool;
    } else if (takeWord("null")) {
      value.kind = JsonValue::Kind::kNull;
    } else {
      value.kind = JsonValue::Kind::kNumber;
      value.number = parseNumber();
    }
    return value;
  }

  void parseObject(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::kObject;
    expect('{');
    if (take('}')) return;
    do {
      skipBlanks();
      const std::string name = parseString();
      expect(':');
      value.members[name] = parseValue(depth + 1);
    } while (take(','));
    expect('}');
  }

  void parseArray(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::kArray;
    expect('[');
    if (take(']')) return;
    do value.items.push_back(parseValue(depth + 1));
    while (take(','));
    expect(']');
  }

  double parseNumber() {
    const char* start = text_.c_str() + at_;
    char* end = nullptr;
    const double number = std::strtod(start, &end);
    if (end == start) fail("expected a value");
    at_ += size_t(end - start);
    return number;
  }

  // Escapes other than \uXXXX keep their letter's meaning; \u escapes become '?', which no
  // number or name this reader is asked for contains.
  std::string parseString() {
    if (at_ >= text_.size() || text_[at_] != '"') fail("expected a string");
    ++at_;
    std::string out;
    while (at_ < text_.size() && text_[at_] != '"') {
      char c = text_[at_++];
      if (c == '\\') {
        if (at_ >= text_.size()) break;
        const char e = text_[at_++];
        if (e == 'u') {
          at_ = std::min(text_.size(), at_ + 4);
          c = '?';
        } else {
          c = e == 'n'   ? '\n'
              : e == 't' ? '\t'
              : e == 'r' ? '\r'
              : e == 'b' ? '\b'
              : e == 'f' ? '\f'
                         : e;
        }
      }
      out += c;
    }
    if (at_ >= text_.size()) fail("unterminated string");
    ++at_;
    return out;
  }

  const std::string& text_;
  size_t at_ = 0;
};

}  // namespace

const JsonValue& JsonValue::at(const std::string& name) const {
  const auto found = members.find(name);
  if (found == members.end()) throw std::runtime_error("JSON: no member \"" + name + "\"");
  return found->second;
}

JsonValue parseJson(const std::string& text) {
  return Parser(text).document();
}

JsonValue readJsonFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  try {
    return parseJson(text.str());
  } catch (const std::runtime_error& problem) {
    throw std::runtime_error(path + ": " + problem.what());
  }
}

}  // namespace tessaly::quality
