// Platform strings: UTF-8 in and out, truncation on character boundaries, malformed input, and
// the search, compare and case operations with handle 0 as the empty string.
#include <gtest/gtest.h>

#include <string>

#include "zanHeap.h"
#include "zanStr.h"

namespace {

// Owns one platform string for a test.
struct Str {
  explicit Str(const char* text) : handle(zanStrFromCStr(text)) {}
  explicit Str(zanHandle h) : handle(h) {}
  ~Str() { zanHeapFree(0, handle); }
  Str(const Str&) = delete;
  Str& operator=(const Str&) = delete;
  std::string utf8() const {
    std::string out(static_cast<std::size_t>(zanStrToCStr(handle, nullptr, 0)) + 1, '\0');
    zanStrToCStr(handle, out.data(), static_cast<int32_t>(out.size()));
    out.pop_back();
    return out;
  }
  zanHandle handle;
};

TEST(String, Utf8RoundTripsThroughUtf16Units) {
  const char* text =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x82\xAC \xF0\x9F\x93\x84";  // Grüße € 📄
  Str s(text);
  EXPECT_EQ(s.utf8(), text);
  EXPECT_EQ(zanStrLen(s.handle), 10);  // the last character takes two units
  zan::HeapLock<char16_t> units(0, s.handle);
  ASSERT_TRUE(units);
  EXPECT_EQ(std::u16string(units.get()), u"Gr\u00FC\u00DFe \u20AC \U0001F4C4");

  Str fromUnits(zanStrFromUtf16(u"abc\0def", 7));
  EXPECT_EQ(zanStrLen(fromUnits.handle), 3);  // the units hold a zero: the text ends there
  Str counted(zanStrFromUtf16(u"abcdef", 2));
  EXPECT_EQ(counted.utf8(), "ab");
  EXPECT_EQ(zanStrFromUtf16(nullptr, 2), 0u);
  EXPECT_EQ(zanStrFromCStr(nullptr), 0u);
}

TEST(String, MalformedInputBecomesReplacementCharacters) {
  // A stray continuation byte, an overlong slash, an encoded surrogate and a cut-off sequence.
  Str s(
      "a\x80"
      "b\xC0\xAF"
      "c\xED\xA0\x80"
      "d\xE2\x82");
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(s.utf8(), "a" + r + "b" + r + r + "c" + r + r + r + "d" + r + r);
  Str lone(zanStrFromUtf16(u"x\xD800y", 3));
  EXPECT_EQ(lone.utf8(), "x" + r + "y");
}

TEST(String, ToCStrCutsBeforeACharacterThatDoesNotFit) {
  Str s("ab\xE2\x82\xAC");  // "ab€": 5 bytes
  char buffer[8];
  EXPECT_EQ(zanStrToCStr(s.handle, buffer, 5), 5);
  EXPECT_STREQ(buffer, "ab");  // the euro sign needs 3 bytes, only 2 were left
  EXPECT_EQ(zanStrToCStr(s.handle, buffer, 6), 5);
  EXPECT_STREQ(buffer, "ab\xE2\x82\xAC");
  EXPECT_EQ(zanStrToCStr(s.handle, buffer, 1), 5);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(zanStrToCStr(0, buffer, 8), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(zanStrToCStr(0x7777, buffer, 8), -1);
}

TEST(String, CompareCopyAndLengthTreatHandleZeroAsEmpty) {
  Str a("apple"), b("apples"), empty("");
  EXPECT_EQ(zanStrCmp(a.handle, b.handle), -1);
  EXPECT_EQ(zanStrCmp(b.handle, a.handle), 1);
  EXPECT_EQ(zanStrCmp(empty.handle, 0), 0);
  EXPECT_EQ(zanStrLen(0), 0);
  Str copy(zanStrCopy(a.handle));
  EXPECT_NE(copy.handle, a.handle);
  EXPECT_EQ(zanStrCmp(copy.handle, a.handle), 0);
  EXPECT_EQ(zanStrCopy(0), 0u);
}

TEST(String, UppercaseChangesLettersOnly) {
  Str s("tga-1.\xC3\xA9\xC3\xB7\xC3\xBF");  // "tga-1.é÷ÿ"
  EXPECT_EQ(zanStrUppercase(s.handle), 1);
  EXPECT_EQ(s.utf8(), "TGA-1.\xC3\x89\xC3\xB7\xC3\xBF");  // É, ÷ and ÿ stay
  EXPECT_EQ(zanStrUppercase(0), 0);
}

TEST(String, CharSearchFindsFirstAndLastPositions) {
  Str s("picture.old.tga");
  EXPECT_EQ(zanStrChar(s.handle, u'.'), 7);
  EXPECT_EQ(zanStrRChar(s.handle, u'.'), 11);
  EXPECT_EQ(zanStrChar(s.handle, u'/'), -1);
  EXPECT_EQ(zanStrRChar(0, u'.'), -1);
}

}  // namespace
