#include "link_log.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tessaly::cli::stitch {

namespace {

constexpr const char* kVariable = "TESSALY_LINK_LOG";

// Reads whitespace-separated fields of one line, in the C locale's number form.
class Fields {
 public:
  explicit Fields(const std::string& line) : stream_(line) {}

  bool word(const char* expected) {
    std::string w;
    return static_cast<bool>(stream_ >> w) && w == expected;
  }
  bool number(double& value) {
    std::string w;
    if (!(stream_ >> w)) return false;
    const auto [end, error] = std::from_chars(w.data(), w.data() + w.size(), value);
    return error == std::errc() && end == w.data() + w.size();
  }
  bool integer(long long& value) {
    std::string w;
    if (!(stream_ >> w)) return false;
    const auto [end, error] = std::from_chars(w.data(), w.data() + w.size(), value);
    return error == std::errc() && end == w.data() + w.size();
  }
  bool ended() {
    std::string w;
    return !(stream_ >> w);
  }

 private:
  std::istringstream stream_;
};

bool pieceName(long long index, const std::vector<std::string>& loadOrder, std::string& name) {
  if (index < 0 || index >= static_cast<long long>(loadOrder.size())) return false;
  name = loadOrder[static_cast<size_t>(index)];
  return true;
}

std::optional<KeptLink> parseLink(const std::string& line,
                                  const std::vector<std::string>& loadOrder) {
  Fields f(line);
  KeptLink link;
  long long a = 0, b = 0, turns = 0, confirmed = 0;
  if (!f.word("link") || !f.integer(a) || !f.integer(b) || !f.integer(turns) ||
      !f.number(link.dx) || !f.number(link.dy) || !f.number(link.angleRadians) ||
      !f.number(link.score) || !f.number(link.finerScore) || !f.number(link.overlap) ||
      !f.number(link.distinctness) || !f.integer(confirmed) || !f.ended()) {
    return std::nullopt;
  }
  if (!pieceName(a, loadOrder, link.a) || !pieceName(b, loadOrder, link.b) || turns < 0 ||
      turns > 3) {
    return std::nullopt;
  }
  link.quarterTurnsB = static_cast<int32_t>(turns);
  link.confirmed = confirmed != 0;
  return link;
}

}  // namespace

std::optional<LinkSupport> parseLinkLog(const std::string& text,
                                        const std::vector<std::string>& loadOrder) {
  std::istringstream lines(text);
  std::string line;
  if (!std::getline(lines, line) || line != "tessaly-links 1") return std::nullopt;
  LinkSupport result;
  long long well = 0;
  if (!std::getline(lines, line)) return std::nullopt;
  Fields header(line);
  if (!header.word("support") || !header.number(result.support) || !header.integer(well) ||
      !header.ended()) {
    return std::nullopt;
  }
  result.wellSupported = well != 0;
  while (std::getline(lines, line)) {
    std::optional<KeptLink> link = parseLink(line, loadOrder);
    if (!link) return std::nullopt;
    result.kept.push_back(std::move(*link));
  }
  return result;
}

LinkLog::LinkLog(const std::string& folder) : path_(folder + "/links.txt") {
  setenv(kVariable, path_.c_str(), 1);
}

LinkLog::~LinkLog() {
  unsetenv(kVariable);
  std::remove(path_.c_str());
}

std::optional<LinkSupport> LinkLog::read(const std::vector<std::string>& loadOrder) const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return parseLinkLog(text.str(), loadOrder);
}

}  // namespace tessaly::cli::stitch
