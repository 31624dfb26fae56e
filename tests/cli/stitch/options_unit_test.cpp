// The command line: pieces with their rotations, options in both spellings, and the mistakes
// that must be refused before anything runs.
#include <gtest/gtest.h>

#include "options.h"

namespace {

using stitchcli::parseCommandLine;
using stitchcli::StyleChoice;

TEST(OptionsTest, RotationTurnsOnlyThePieceThatFollowsIt) {
  const auto parsed = parseCommandLine(
      {"a.jpg", "-r", "90", "b.jpg", "c.jpg", "--rotate=270", "d.jpg", "-o", "out.tif"});
  ASSERT_EQ(parsed.error, "");
  const auto& pieces = parsed.options.pieces;
  ASSERT_EQ(pieces.size(), 4u);
  EXPECT_EQ(pieces[0].rotation, 0);
  EXPECT_EQ(pieces[1].path, "b.jpg");
  EXPECT_EQ(pieces[1].rotation, 90);
  EXPECT_EQ(pieces[2].rotation, 0);
  EXPECT_EQ(pieces[3].rotation, 270);
  EXPECT_EQ(parsed.options.output, "out.tif");
}

TEST(OptionsTest, EveryOptionInBothSpellings) {
  const auto parsed = parseCommandLine({"--output=r.png", "--style", "grid", "--output-size=2",
                                        "--max-size-diff", "35", "--allow-many", "--straighten",
                                        "--crop", "-q", "--report=x.json", "a.jpg", "b.jpg"});
  ASSERT_EQ(parsed.error, "");
  const auto& o = parsed.options;
  EXPECT_EQ(o.output, "r.png");
  EXPECT_EQ(o.style, StyleChoice::Grid);
  EXPECT_EQ(o.outputSize, 2);
  EXPECT_EQ(o.maxSizeDiffPercent, 35);
  EXPECT_TRUE(o.allowManyPieces && o.straighten && o.crop && o.quiet);
  EXPECT_EQ(o.reportPath, "x.json");
}

TEST(OptionsTest, DoubleDashMakesEverythingAfterItAPiece) {
  const auto parsed = parseCommandLine({"-o", "r.tif", "--", "--odd-name.jpg", "-r"});
  ASSERT_EQ(parsed.error, "");
  ASSERT_EQ(parsed.options.pieces.size(), 2u);
  EXPECT_EQ(parsed.options.pieces[0].path, "--odd-name.jpg");
  EXPECT_EQ(parsed.options.pieces[1].path, "-r");
}

TEST(OptionsTest, HelpNeedsNothingElse) {
  const auto parsed = parseCommandLine({"--help"});
  EXPECT_EQ(parsed.error, "");
  EXPECT_TRUE(parsed.options.help);
}

TEST(OptionsTest, MistakesAreRefusedWithAReason) {
  const std::vector<std::vector<std::string>> wrong = {
      {},                                             // nothing at all
      {"a.jpg", "b.jpg"},                             // no result
      {"-o", "r.tif", "a.jpg"},                       // one piece
      {"-o", "r.tif", "a.jpg", "-r", "45", "b.jpg"},  // not a quarter turn
      {"-o", "r.tif", "a.jpg", "b.jpg", "-r", "90"},  // rotation without its piece
      {"-o", "r.tif", "-r", "90", "-r", "180", "a.jpg", "b.jpg"},
      {"-o", "r.tif", "--style", "ring", "a.jpg", "b.jpg"},
      {"-o", "r.tif", "--output-size", "-1", "a.jpg", "b.jpg"},
      {"-o", "r.tif", "--output-size", "3x", "a.jpg", "b.jpg"},
      {"-o", "r.tif", "--max-size-diff", "101", "a.jpg", "b.jpg"},
      {"-o", "r.tif", "--crop=yes", "a.jpg", "b.jpg"},
      {"-o", "r.tif", "--frobnicate", "a.jpg", "b.jpg"},
      {"-o", "r.tif", "-o", "s.tif", "a.jpg", "b.jpg"},
      {"a.jpg", "b.jpg", "-o"},  // value missing at the end
  };
  for (const auto& args : wrong) {
    const auto parsed = parseCommandLine(args);
    std::string line;
    for (const auto& a : args) line += a + " ";
    EXPECT_NE(parsed.error, "") << line;
  }
}

}  // namespace
