#include "verified_link_log.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tessaly::stitch::verified {

namespace {

// Numbers in the C locale's form whatever the caller's locale, exact enough to read back.
void appendNumber(std::string& out, double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  out += ' ';
  out.append(buffer, end);
}

void appendInteger(std::string& out, long long value) {
  out += ' ';
  out += std::to_string(value);
}

}  // namespace

std::string linkLogText(const Arrangement& arrangement, int32_t workingLevel) {
  const double scale = static_cast<double>(int64_t{1} << workingLevel);
  std::string text = "tessaly-links 1\nsupport";
  appendNumber(text, arrangement.support);
  appendInteger(text, arrangement.wellSupported ? 1 : 0);
  text += '\n';
  for (const PairHypothesis& link : arrangement.keptLinks) {
    text += "link";
    appendInteger(text, link.a);
    appendInteger(text, link.b);
    appendInteger(text, link.quarterTurnsB);
    appendNumber(text, link.bToA.tx * scale);
    appendNumber(text, link.bToA.ty * scale);
    appendNumber(text, link.bToA.angle);
    appendNumber(text, link.score);
    appendNumber(text, link.finerScore);
    appendNumber(text, link.overlapFraction);
    appendNumber(text, link.distinctness);
    appendInteger(text, link.confirmed ? 1 : 0);
    text += '\n';
  }
  return text;
}

void writeLinkLog(const Arrangement& arrangement, int32_t workingLevel) noexcept {
  try {
    const char* path = std::getenv(kLinkLogVariable);
    if (path == nullptr || *path == '\0') return;
    const std::string target = path;
    const std::string staged = target + ".part";
    {
      std::ofstream out(staged, std::ios::binary | std::ios::trunc);
      out << linkLogText(arrangement, workingLevel);
      out.close();
      if (!out) {
        std::remove(staged.c_str());
        return;
      }
    }
    std::error_code error;
    std::filesystem::rename(staged, target, error);
    if (error) std::remove(staged.c_str());
  } catch (...) {
    // Best effort: the stitch goes on without its log.
  }
}

}  // namespace tessaly::stitch::verified
