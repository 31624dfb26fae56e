// The scan simulator's command line and the small tools under it: options, names, JSON text and
// the reproducible random generator.
#include "scan_options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "arguments.h"
#include "json_writer.h"
#include "random.h"

namespace tessaly::cli {
namespace {

ScanOptions parse(std::initializer_list<const char*> words) {
  std::vector<const char*> argv = {"tessaly-scansim"};
  argv.insert(argv.end(), words.begin(), words.end());
  return parseScanOptions(int(argv.size()), argv.data());
}

TEST(ScanOptions, ReadsEveryOptionInBothSpellings) {
  const ScanOptions o =
      parse({"--grid",   "1x3",    "--overlap=0.45", "--piece-size", "2480x3508", "--max-angle",
             "2",        "--turn", "2:90",           "--turn=3:270", "--noise",   "0",
             "--format", ".png",   "--quality",      "80",           "--dpi",     "300",
             "--name",   "page",   "--seed",         "42",           "--quiet",   "page.png",
             "out"});
  EXPECT_EQ(o.settings.rows, 1);
  EXPECT_EQ(o.settings.columns, 3);
  EXPECT_DOUBLE_EQ(o.settings.overlap, 0.45);
  EXPECT_EQ(o.settings.pieceWidth, 2480);
  EXPECT_EQ(o.settings.pieceHeight, 3508);
  EXPECT_DOUBLE_EQ(o.settings.maxAngle, 2);
  EXPECT_EQ(o.settings.turnDegrees, (std::vector<int>{0, 90, 270}));
  EXPECT_EQ(o.settings.noise, 0);
  EXPECT_EQ(o.extension, "png");
  EXPECT_EQ(o.quality, 80);
  EXPECT_EQ(o.dpi, 300);
  EXPECT_EQ(o.prefix, "page");
  EXPECT_EQ(o.settings.seed, 42u);
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.source, "page.png");
  EXPECT_EQ(o.outputFolder, "out");
  // After "--" a name that looks like an option is a name.
  EXPECT_EQ(parse({"--", "-page.png", "out"}).source, "-page.png");
  EXPECT_TRUE(parse({"--help"}).help);
}

TEST(ScanOptions, RefusesWhatCannotDescribeAScanSession) {
  for (const auto& words : std::vector<std::vector<const char*>>{
           {"page.png"},                             // no output folder
           {"page.png", "out", "extra"},             // one name too many
           {"--grid", "2", "page.png", "out"},       // not RxC
           {"--grid", "0x2", "page.png", "out"},     // no rows
           {"--overlap", "0.9", "page.png", "out"},  // beyond what overlaps can be
           {"--overlap", "abc", "page.png", "out"},
           {"--turn", "2:45", "page.png", "out"},  // not a quarter turn
           {"--turn", "5:90", "page.png", "out"},  // a 2 x 2 grid has four pieces
           {"--turn", "2", "page.png", "out"},
           {"--name", "a/b", "page.png", "out"},  // names stay in the output folder
           {"--quality", "0", "page.png", "out"},
           {"--frobnicate", "page.png", "out"},
           {"page.png", "out", "--seed"},  // a value is missing
       }) {
    std::vector<const char*> argv = {"tessaly-scansim"};
    argv.insert(argv.end(), words.begin(), words.end());
    EXPECT_THROW(parseScanOptions(int(argv.size()), argv.data()), UsageError) << words[0];
  }
}

TEST(ScanOptions, FileNamesSortInScanningOrder) {
  EXPECT_EQ(scanFileName("scan", 0, 4, "jpg"), "scan-01.jpg");
  EXPECT_EQ(scanFileName("scan", 9, 12, "tif"), "scan-10.tif");
  EXPECT_EQ(scanFileName("s", 6, 120, "png"), "s-007.png");
}

TEST(Random, SameSeedSameDrawsAndBellIsStandard) {
  Random a(5), b(5), c(5, 1);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(a.next(), b.next());
  EXPECT_NE(Random(5).next(), c.next());
  Random r(11);
  double sum = 0, squares = 0;
  const int n = 200000;
  for (int i = 0; i < n; ++i) {
    const double u = r.unit();
    ASSERT_GE(u, 0);
    ASSERT_LT(u, 1);
    ASSERT_LT(r.below(7), 7u);
    const double v = r.bell();
    sum += v;
    squares += v * v;
  }
  EXPECT_NEAR(sum / n, 0, 0.01);
  EXPECT_NEAR(std::sqrt(squares / n), 1, 0.01);
}

}  // namespace
}  // namespace tessaly::cli
