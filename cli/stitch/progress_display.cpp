#include "progress_display.h"

#include <unistd.h>

#include <algorithm>

namespace tessaly::cli::stitch {

namespace {

constexpr int kBarWidth = 30;
// Plain lines are printed when a stage starts and at every tenth of the whole.
constexpr int kLineStep = 10;

}  // namespace

int overallPercent(Stage stage, long position) {
  const long p = std::clamp(position, 0L, 100L);
  switch (stage) {
    case Stage::Loading:
      return static_cast<int>(2 * p / 10);
    case Stage::Ordering:
      return static_cast<int>(20 + 2 * p / 10);
    case Stage::Aligning:
      return static_cast<int>(40 + 3 * p / 10);
    case Stage::Blending:
      return static_cast<int>(70 + 3 * p / 10);
  }
  return 0;
}

const char* stageName(Stage stage) {
  switch (stage) {
    case Stage::Loading:
      return "loading";
    case Stage::Ordering:
      return "ordering";
    case Stage::Aligning:
      return "aligning";
    case Stage::Blending:
      return "blending";
  }
  return "";
}

ProgressDisplay ProgressDisplay::forStream(std::FILE* out, bool quiet) {
  if (quiet) return ProgressDisplay(Mode::Silent, out);
  return ProgressDisplay(::isatty(::fileno(out)) ? Mode::Bar : Mode::Lines, out);
}

void ProgressDisplay::show(const std::string& label, int percent) {
  percent = std::clamp(percent, 0, 100);
  if (mode_ == Mode::Silent || (label == label_ && percent == percent_)) return;
  const bool newLabel = label != label_;
  const bool newStep = percent / kLineStep != percent_ / kLineStep;
  label_ = label;
  percent_ = percent;
  if (mode_ == Mode::Bar) return drawBar(label, percent);
  if (newLabel || newStep) {
    std::fprintf(out_, "%s %d%%\n", label.c_str(), percent);
    std::fflush(out_);
  }
}

void ProgressDisplay::showStep(const std::string& label) {
  if (mode_ == Mode::Silent || label == label_) return;
  label_ = label;
  percent_ = -1;
  if (mode_ == Mode::Lines) {
    std::fprintf(out_, "%s\n", label.c_str());
  } else {
    std::fprintf(out_, "\r%-14s %*s", label.c_str(), kBarWidth + 7, "");
    lineOpen_ = true;
  }
  std::fflush(out_);
}

void ProgressDisplay::drawBar(const std::string& label, int percent) {
  const int filled = percent * kBarWidth / 100;
  std::string bar(size_t(filled), '#');
  bar.append(size_t(kBarWidth - filled), '.');
  std::fprintf(out_, "\r%-14s [%s] %3d%%", label.c_str(), bar.c_str(), percent);
  std::fflush(out_);
  lineOpen_ = true;
}

void ProgressDisplay::finishLine() {
  if (!lineOpen_) return;
  std::fputc('\n', out_);
  std::fflush(out_);
  lineOpen_ = false;
}

}  // namespace tessaly::cli::stitch
