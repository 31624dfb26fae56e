#include "json_reader.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tessaly::test {

JsonValue JsonValue::boolean(bool value) {
  JsonValue v;
  v.kind_ = Kind::Boolean;
  v.boolean_ = value;
  return v;
}

JsonValue JsonValue::number(double value) {
  JsonValue v;
  v.kind_ = Kind::Number;
  v.number_ = value;
  return v;
}

JsonValue JsonValue::string(std::string value) {
  JsonValue v;
  v.kind_ = Kind::String;
  v.string_ = std::move(value);
  return v;
}

JsonValue JsonValue::array(std::vector<JsonValue> items) {
  JsonValue v;
  v.kind_ = Kind::Array;
  v.items_ = std::move(items);
  return v;
}

JsonValue JsonValue::object(std::vector<std::string> names, std::vector<JsonValue> values) {
  JsonValue v;
  v.kind_ = Kind::Object;
  v.names_ = std::move(names);
  v.items_ = std::move(values);
  return v;
}

void JsonValue::expect(Kind kind, const char* asked) const {
  if (kind_ != kind) throw JsonError(std::string("the value is not ") + asked);
}

bool JsonValue::asBool() const {
  expect(Kind::Boolean, "true or false");
  return boolean_;
}

double JsonValue::asNumber() const {
  expect(Kind::Number, "a number");
  return number_;
}

int64_t JsonValue::asInteger() const {
  const double value = asNumber();
  if (value != std::floor(value) || std::fabs(value) > 9.0e15)
    throw JsonError("the number " + std::to_string(value) + " is not a whole number");
  return int64_t(value);
}

const std::string& JsonValue::asString() const {
  expect(Kind::String, "a string");
  return string_;
}

const std::vector<JsonValue>& JsonValue::items() const {
  if (kind_ != Kind::Array && kind_ != Kind::Object)
    throw JsonError("the value is neither an array nor an object");
  return items_;
}

const std::vector<std::string>& JsonValue::names() const {
  expect(Kind::Object, "an object");
  return names_;
}

bool JsonValue::has(std::string_view name) const {
  expect(Kind::Object, "an object");
  for (const std::string& n : names_)
    if (n == name) return true;
  return false;
}

const JsonValue& JsonValue::operator[](std::string_view name) const {
  expect(Kind::Object, "an object");
  for (size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == name) return items_[i];
  throw JsonError("no member \"" + std::string(name) + "\"");
}

const JsonValue& JsonValue::operator[](size_t index) const {
  expect(Kind::Array, "an array");
  if (index >= items_.size())
    throw JsonError("index " + std::to_string(index) + " past the " +
                    std::to_string(items_.size()) + " items");
  return items_[index];
}

namespace {

// Recursive descent over the text; nesting is limited so that a hostile document cannot
// exhaust the stack.
class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  JsonValue document() {
    JsonValue value = parseValue(0);
    skipSpace();
    if (at_ != text_.size()) fail("text after the document");
    return value;
  }

 private:
  static constexpr int kMaxDepth = 200;

  [[noreturn]] void fail(const std::string& what) const {
    throw JsonError("not JSON at byte " + std::to_string(at_) + ": " + what);
  }

  void skipSpace() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }

  char peek() {
    skipSpace();
    if (at_ >= text_.size()) fail("the document ends early");
    return text_[at_];
  }

  void take(char expected) {
    if (peek() != expected) fail(std::string("expected '") + expected + "'");
    ++at_;
  }

  bool takeWord(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  JsonValue parseValue(int depth) {
    if (depth > kMaxDepth) fail("nested too deeply");
    const char c = peek();
    if (c == '{') return parseObject(depth);
    if (c == '[') return parseArray(depth);
    if (c == '"') return JsonValue::string(parseString());
    if (takeWord("true")) return JsonValue::boolean(true);
    if (takeWord("false")) return JsonValue::boolean(false);
    if (takeWord("null")) return JsonValue();
    return JsonValue::number(parseNumber());
  }

  JsonValue parseObject(int depth) {
    take('{');
    std::vector<std::string> names;
    std::vector<JsonValue> values;
    if (peek() == '}') {
      ++at_;
      return JsonValue::object({}, {});
    }
    while (true) {
      if (peek() != '"') fail("expected a member name");
      names.push_back(parseString());
      take(':');
      values.push_back(parseValue(depth + 1));
      if (peek() == '}') break;
      take(',');
    }
    ++at_;
    return JsonValue::object(std::move(names), std::move(values));
  }

  JsonValue parseArray(int depth) {
    take('[');
    std::vector<JsonValue> items;
    if (peek() == ']') {
      ++at_;
      return JsonValue::array({});
    }
    while (true) {
      items.push_back(parseValue(depth + 1));
      if (peek() == ']') break;
      take(',');
    }
    ++at_;
    return JsonValue::array(std::move(items));
  }

  size_t digitsFrom(size_t from) const {
    size_t end = from;
    while (end < text_.size() && text_[end] >= '0' && text_[end] <= '9') ++end;
    return end - from;
  }

  double parseNumber() {
    const size_t start = at_;
    size_t end = at_;
    if (end < text_.size() && text_[end] == '-') ++end;
    const size_t whole = digitsFrom(end);
    if (whole == 0 || (whole > 1 && text_[end] == '0')) fail("expected a value");
    end += whole;
    if (end < text_.size() && text_[end] == '.') {
      const size_t fraction = digitsFrom(end + 1);
      if (fraction == 0) fail("a number ends in '.'");
      end += 1 + fraction;
    }
    if (end < text_.size() && (text_[end] == 'e' || text_[end] == 'E')) {
      ++end;
      if (end < text_.size() && (text_[end] == '+' || text_[end] == '-')) ++end;
      const size_t exponent = digitsFrom(end);
      if (exponent == 0) fail("a number's exponent has no digits");
      end += exponent;
    }
    at_ = end;
    return std::strtod(std::string(text_.substr(start, end - start)).c_str(), nullptr);
  }

  uint32_t parseHex4() {
    if (at_ + 4 > text_.size()) fail("a \\u escape ends early");
    uint32_t code = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[at_++];
      code <<= 4;
      if (h >= '0' && h <= '9')
        code |= uint32_t(h - '0');
      else if (h >= 'a' && h <= 'f')
        code |= uint32_t(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        code |= uint32_t(h - 'A' + 10);
      else
        fail("a \\u escape with a non-hex digit");
    }
    return code;
  }

  static void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
      out += char(code);
    } else if (code < 0x800) {
      out += char(0xC0 | (code >> 6));
      out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += char(0xE0 | (code >> 12));
      out += char(0x80 | ((code >> 6) & 0x3F));
      out += char(0x80 | (code & 0x3F));
    } else {
      out += char(0xF0 | (code >> 18));
      out += char(0x80 | ((code >> 12) & 0x3F));
      out += char(0x80 | ((code >> 6) & 0x3F));
      out += char(0x80 | (code & 0x3F));
    }
  }

  uint32_t parseEscapedCode() {
    uint32_t code = parseHex4();
    if (code >= 0xD800 && code <= 0xDBFF) {
      if (!takeWord("\\u")) fail("a lone high surrogate");
      const uint32_t low = parseHex4();
      if (low < 0xDC00 || low > 0xDFFF) fail("a high surrogate without its low half");
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    } else if (code >= 0xDC00 && code <= 0xDFFF) {
      fail("a lone low surrogate");
    }
    return code;
  }

  void parseEscape(std::string& out) {
    if (at_ >= text_.size()) fail("the document ends inside a string");
    const char e = text_[at_++];
    switch (e) {
      case '"':
        out += '"';
        break;
      case '\\':
        out += '\\';
        break;
      case '/':
        out += '/';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u':
        appendUtf8(out, parseEscapedCode());
        break;
      default:
        fail(std::string("an unknown escape \\") + e);
    }
  }

  std::string parseString() {
    take('"');
    std::string out;
    while (true) {
      if (at_ >= text_.size()) fail("the document ends inside a string");
      const char c = text_[at_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) fail("a control character inside a string");
      if (c == '\\')
        parseEscape(out);
      else
        out += c;
    }
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

JsonValue parseJson(std::string_view text) {
  return Parser(text).document();
}

JsonValue readJsonFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw JsonError("cannot read " + path);
  const std::string text(std::istreambuf_iterator<char>(in), {});
  try {
    return parseJson(text);
  } catch (const JsonError& problem) {
    throw JsonError(path + ": " + problem.what());
  }
}

}  // namespace tessaly::test
