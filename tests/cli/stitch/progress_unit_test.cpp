// The progress scale shared by the four engine calls, and what the plain-line display prints.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "progress_display.h"

namespace {

using tessaly::cli::stitch::overallPercent;
using tessaly::cli::stitch::ProgressDisplay;
using tessaly::cli::stitch::Stage;

TEST(ProgressTest, EachCallFillsItsBandAndOutOfRangePositionsAreClamped) {
  EXPECT_EQ(overallPercent(Stage::Loading, 0), 0);
  EXPECT_EQ(overallPercent(Stage::Loading, 100), 20);
  EXPECT_EQ(overallPercent(Stage::Loading, -5), 0);
  EXPECT_EQ(overallPercent(Stage::Ordering, 50), 30);
  EXPECT_EQ(overallPercent(Stage::Aligning, 50), 55);
  EXPECT_EQ(overallPercent(Stage::Aligning, 100), 70);
  EXPECT_EQ(overallPercent(Stage::Blending, 0), 70);
  EXPECT_EQ(overallPercent(Stage::Blending, 150), 100);
}

// Everything a display in `mode` prints for a sequence of reports.
std::string printed(ProgressDisplay::Mode mode, void (*reports)(ProgressDisplay&)) {
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  {
    ProgressDisplay display(mode, out);
    reports(display);
    display.finishLine();
  }
  std::fclose(out);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

void typicalRun(ProgressDisplay& d) {
  d.show("loading", 0);
  d.show("loading", 3);
  d.show("loading", 3);
  d.show("loading", 12);
  d.show("ordering", 20);
  d.show("ordering", 21);
  d.showStep("writing");
}

TEST(ProgressTest, PlainLinesAtEachNewStageAndEachTenthOnly) {
  EXPECT_EQ(printed(ProgressDisplay::Mode::Lines, typicalRun),
            "loading 0%\nloading 12%\nordering 20%\nwriting\n");
}

TEST(ProgressTest, BarRedrawsOneLineAndEndsIt) {
  const std::string bar = printed(ProgressDisplay::Mode::Bar, typicalRun);
  EXPECT_EQ(bar.find('\n'), bar.size() - 1);  // one line, ended once
  EXPECT_NE(bar.find(" 21%"), std::string::npos);
}

TEST(ProgressTest, QuietPrintsNothing) {
  EXPECT_EQ(printed(ProgressDisplay::Mode::Silent, typicalRun), "");
}

}  // namespace
