// The command line: pieces with their rotations, options in both spellings, and the mistakes
// that must be refused, each with its own line, before anything runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "arguments.h"
#include "options.h"
#include "workers.h"

namespace {

using tessaly::cli::UsageError;
using tessaly::cli::stitch::Options;
using tessaly::cli::stitch::StyleChoice;

Options parse(std::vector<std::string> words) {
  std::vector<const char*> argv = {"tessaly-stitch"};
  for (const std::string& word : words) argv.push_back(word.c_str());
  return tessaly::cli::stitch::parseStitchOptions(int(argv.size()), argv.data());
}

// The line a wrong command line is refused with; empty when it is accepted.
std::string refusal(const std::vector<std::string>& words) {
  try {
    parse(words);
  } catch (const UsageError& problem) {
    return problem.what();
  }
  return "";
}

TEST(OptionsTest, RotationTurnsOnlyThePieceThatFollowsIt) {
  const Options o =
      parse({"a.jpg", "-r", "90", "b.jpg", "c.jpg", "--rotate=270", "d.jpg", "-o", "out.tif"});
  ASSERT_EQ(o.pieces.size(), 4u);
  EXPECT_EQ(o.pieces[0].rotation, 0);
  EXPECT_EQ(o.pieces[1].path, "b.jpg");
  EXPECT_EQ(o.pieces[1].rotation, 90);
  EXPECT_EQ(o.pieces[2].rotation, 0);
  EXPECT_EQ(o.pieces[3].rotation, 270);
  EXPECT_EQ(o.output, "out.tif");
}

TEST(OptionsTest, EveryOptionInBothSpellings) {
  const Options o = parse({"--output=r.png", "--style", "grid", "--output-size=2",
                           "--max-size-diff", "35", "--allow-many", "--straighten", "--crop", "-q",
                           "--report=x.json", "--threads", "3", "a.jpg", "b.jpg"});
  EXPECT_EQ(o.output, "r.png");
  EXPECT_EQ(o.style, StyleChoice::Grid);
  EXPECT_EQ(o.outputSize, 2);
  EXPECT_EQ(o.maxSizeDiffPercent, 35);
  EXPECT_TRUE(o.allowManyPieces && o.straighten && o.crop && o.quiet);
  EXPECT_EQ(o.reportPath, "x.json");
  EXPECT_EQ(o.threads, 3);
  EXPECT_EQ(parse({"-o", "r.tif", "a.jpg", "b.jpg"}).threads, 0);  // the engine decides
}

// Decoding ahead follows the same worker count as the engine: --threads, else TESSALY_THREADS
// when it is a whole number in range, else the cores.
TEST(OptionsTest, WorkersComeFromTheOptionThenTheEnvironmentThenTheCores) {
  const char* old = std::getenv("TESSALY_THREADS");
  const std::string kept = old ? old : "";
  const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
  using tessaly::cli::stitch::stitchWorkers;
  ::setenv("TESSALY_THREADS", "3", 1);
  EXPECT_EQ(stitchWorkers(1), 1);
  EXPECT_EQ(stitchWorkers(0), 3);
  for (const char* unusable : {"0", "257", "2x", ""}) {
    ::setenv("TESSALY_THREADS", unusable, 1);
    EXPECT_EQ(stitchWorkers(0), std::min(cores, 256)) << unusable;
  }
  if (old)
    ::setenv("TESSALY_THREADS", kept.c_str(), 1);
  else
    ::unsetenv("TESSALY_THREADS");
}

TEST(OptionsTest, DoubleDashAndDashAreAlwaysPieces) {
  const Options o = parse({"-o", "r.tif", "-", "--", "--odd-name.jpg", "-r", "--"});
  ASSERT_EQ(o.pieces.size(), 4u);
  EXPECT_EQ(o.pieces[0].path, "-");
  EXPECT_EQ(o.pieces[1].path, "--odd-name.jpg");
  EXPECT_EQ(o.pieces[2].path, "-r");
  EXPECT_EQ(o.pieces[3].path, "--");
}

TEST(OptionsTest, HelpNeedsNothingElseAndWinsOverWhatFollows) {
  EXPECT_TRUE(parse({"--help"}).help);
  EXPECT_TRUE(parse({"-h", "--frobnicate", "-o"}).help);
  EXPECT_NE(refusal({"--frobnicate", "--help"}), "");
}

TEST(OptionsTest, MistakesAreRefusedWithTheirOwnLine) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> wrong = {
      {{}, "nothing to stitch: give -o RESULT and the pieces"},
      {{"a.jpg", "b.jpg"}, "no result file given: add -o RESULT"},
      {{"-o", "r.tif", "a.jpg"}, "at least two pieces are needed to stitch"},
      {{"-o", "r.tif", "a.jpg", "-r", "45", "b.jpg"}, "rotation '45' is not 0, 90, 180 or 270"},
      {{"-o", "r.tif", "a.jpg", "b.jpg", "-r", "90"},
       "a rotation must be followed by the piece it turns"},
      {{"-o", "r.tif", "-r", "90", "-r", "180", "a.jpg", "b.jpg"},
       "two rotations given for one piece"},
      {{"-o", "r.tif", "--style", "ring", "a.jpg", "b.jpg"},
       "style 'ring' is neither 'row' nor 'grid'"},
      {{"-o", "r.tif", "--output-size", "-1", "a.jpg", "b.jpg"},
       "option '--output-size' takes a whole number from 0 to 8, not '-1'"},
      {{"-o", "r.tif", "--output-size", "3x", "a.jpg", "b.jpg"},
       "option '--output-size' takes a whole number from 0 to 8, not '3x'"},
      {{"-o", "r.tif", "--max-size-diff", "101", "a.jpg", "b.jpg"},
       "option '--max-size-diff' takes a whole number from 0 to 100, not '101'"},
      {{"-o", "r.tif", "--threads", "0", "a.jpg", "b.jpg"},
       "option '--threads' takes a whole number from 1 to 256, not '0'"},
      {{"-o", "r.tif", "--crop=yes", "a.jpg", "b.jpg"}, "option '--crop' takes no value"},
      {{"-o", "r.tif", "--frobnicate=1", "a.jpg", "b.jpg"}, "unknown option '--frobnicate'"},
      {{"-o=r.tif", "a.jpg", "b.jpg"}, "unknown option '-o=r.tif'"},
      {{"-o", "r.tif", "-o", "s.tif", "a.jpg", "b.jpg"}, "option '-o' is given twice"},
      {{"--output=", "a.jpg", "b.jpg"}, "option '--output' needs a file name"},
      {{"-o", "r.tif", "", "b.jpg"}, "an empty piece name was given"},
      {{"a.jpg", "b.jpg", "-o"}, "option '-o' needs a value"},
  };
  for (const auto& [words, line] : wrong) EXPECT_EQ(refusal(words), line) << line;
}

}  // namespace
