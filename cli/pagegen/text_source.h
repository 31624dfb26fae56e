// The words of a generated page: sentences, headings, captions, list items and table figures of
// a plausible field report, all drawn from the seed, so the page reads like a document without
// any real text having to be shipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "random.h"

namespace tessaly::cli {

class TextSource {
 public:
  explicit TextSource(uint64_t seed) : random_(seed, 3) {}

  std::string sentence();
  std::string paragraph(int sentences);
  std::string heading(int number);
  std::string tableTitle(int number);
  std::string figureCaption(int number);
  std::string listItem();
  // A header row and `rows` rows of a site table: a name and four figures.
  std::vector<std::vector<std::string>> table(int rows);
  int between(int low, int high) { return low + int(random_.below(uint32_t(high - low + 1))); }

 private:
  const char* pick(const std::vector<const char*>& words);
  Random random_;
};

}  // namespace tessaly::cli
