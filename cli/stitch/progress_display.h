// Progress on standard error: a bar that redraws itself on a terminal, plain lines otherwise,
// nothing when quiet. The engine's four calls share one scale: loading 0-20 %, ordering
// 20-40 %, aligning 40-70 %, blending 70-100 %.
#pragma once

#include <cstdio>
#include <string>

namespace tessaly::cli::stitch {

enum class Stage { Loading = 0, Ordering = 1, Aligning = 2, Blending = 3 };

// The overall percent for a position (0 to 100, clamped) reported within a stage.
int overallPercent(Stage stage, long position);

const char* stageName(Stage stage);

class ProgressDisplay {
 public:
  enum class Mode { Bar, Lines, Silent };

  ProgressDisplay(Mode mode, std::FILE* out) : mode_(mode), out_(out) {}
  // A bar when `out` is a terminal, else lines; silent when quiet.
  static ProgressDisplay forStream(std::FILE* out, bool quiet);

  // Shows `label` at `percent`; repeats of what is shown already print nothing.
  void show(const std::string& label, int percent);
  // Shows a step that has no percent of its own, such as writing the result.
  void showStep(const std::string& label);
  // Ends the bar's line, so that what follows starts on a line of its own.
  void finishLine();

 private:
  void drawBar(const std::string& label, int percent);

  Mode mode_;
  std::FILE* out_;
  std::string label_;
  int percent_ = -1;
  bool lineOpen_ = false;
};

}  // namespace tessaly::cli::stitch
