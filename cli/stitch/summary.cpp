#include "summary.h"

#include <cmath>
#include <numbers>

namespace tessaly::cli::stitch {

namespace {

std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string arrangementLines(const Arrangement& a, const std::string& style) {
  std::string text = "arrangement: " + std::to_string(a.rows) + (a.rows == 1 ? " row" : " rows") +
                     " x " + std::to_string(a.columns) + (a.columns == 1 ? " column" : " columns") +
                     " (" + style + " style)\n";
  for (int32_t row = 0; row < a.rows; ++row) {
    text += "  row " + std::to_string(row + 1) + ":";
    for (int32_t column = 0; column < a.columns; ++column) {
      text += (column == 0 ? " " : " | ") +
              cellText(a, size_t(row) * size_t(a.columns) + size_t(column));
    }
    text += "\n";
  }
  return text;
}

// The verified way's evidence in one line: how many links it kept and how well they decide.
std::string linksLine(const LinkSupport& links) {
  size_t confirmed = 0;
  for (const KeptLink& k : links.kept) confirmed += k.confirmed ? 1 : 0;
  return "links: " + std::to_string(links.kept.size()) + " kept (" + std::to_string(confirmed) +
         " confirmed on the finer level), support " + fixed(links.support, 2) +
         (links.wellSupported ? "\n" : " (weak)\n");
}

std::string timeLine(const RunRecord& r) {
  std::string stages;
  for (const StageTime& t : r.times) {
    stages += (stages.empty() ? "" : ", ") + t.stage + " " + fixed(t.seconds, 1);
  }
  return "time: " + fixed(r.totalSeconds, 1) + " s (" + stages + ")\n";
}

}  // namespace

std::string cellText(const Arrangement& a, size_t cell) {
  if (cell >= a.names.size()) return "?";
  static const char* const kTurns[] = {"", " (turned 90 left)", " (turned 180)",
                                       " (turned 90 right)"};
  const int32_t turns = a.quarterTurns[cell];
  return a.names[cell] + (turns >= 1 && turns <= 3 ? kTurns[turns] : "");
}

std::string summaryText(const RunRecord& r) {
  std::string text;
  if (!r.candidates.empty()) text += arrangementLines(r.candidates.front(), r.style);
  if (r.links) text += linksLine(*r.links);
  if (r.warnings.empty()) text += "warnings: none\n";
  for (const RunWarning& w : r.warnings) text += "warning: " + w.text + " (" + w.step + ")\n";
  if (r.skewRadians) {
    text +=
        "skew: " + fixed(*r.skewRadians * 180.0 / std::numbers::pi, 2) + " degrees, turned level\n";
  }
  if (r.appliedCrop) {
    const RECT& c = *r.appliedCrop;
    text += "crop: " + std::to_string(c.right - c.left) + " x " + std::to_string(c.bottom - c.top) +
            " from (" + std::to_string(c.left) + ", " + std::to_string(c.top) + ")\n";
  }
  text += timeLine(r);
  text += "result: " + r.output + " (" + std::to_string(r.resultWidth) + " x " +
          std::to_string(r.resultHeight) + " pixels, " + r.outputFormat + ", " +
          std::to_string(r.resultDpi) + " dpi)\n";
  return text;
}

}  // namespace tessaly::cli::stitch
