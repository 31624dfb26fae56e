// tessaly-quality-score: how well a stitched result reproduces the page its scans were made of.
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "arguments.h"
#include "page_truth.h"
#include "picture_mat.h"
#include "program_main.h"
#include "quality_score.h"

namespace {

using namespace tessaly;

constexpr int kUsage = 2, kUnreadable = 3;

struct ScoreOptions {
  std::string page, truth, result;
  bool help = false;
};

ScoreOptions parse(int argc, const char* const* argv) {
  ScoreOptions o;
  std::vector<std::string> positional;
  cli::Arguments args(argc, argv);
  while (!args.done()) {
    if (args.flag("--help") || args.flag("-h")) {
      o.help = true;
      return o;
    }
    if (args.atOption())
      throw cli::UsageError("unknown option " + args.current() + " (see --help)");
    positional.push_back(args.take());
  }
  if (positional.size() != 3) throw cli::UsageError("give the page, truth.json and the result");
  o.page = positional[0];
  o.truth = positional[1];
  o.result = positional[2];
  return o;
}

const char* kUsageText = R"(Usage: tessaly-quality-score PAGE TRUTH.json RESULT

Registers the stitched RESULT to PAGE (any quarter turn, a small tilt, any shift) and prints one
line of JSON: coverage (the share of the scanned part of the page that the result reproduces;
content more than 8 pixels off its place counts as missing), p95 and median (local
displacement in pixels over the cells with texture in both directions; 99 when no cell could
be measured), correct (coverage >= 0.95 and p95 <= 1), the registration (turn in degrees and
shift, result to page) and the cell counts. TRUTH.json is the scan simulator's record of where
the scans lie.

Exit codes: 0 scored; 2 wrong command line; 3 a file cannot be read.
)";

int run(const ScoreOptions& o) {
  quality::PageTruth truth;
  cv::Mat page, result;
  try {
    truth = quality::readTruth(o.truth);
    page = quality::readPictureMat(o.page);
    result = quality::readPictureMat(o.result);
  } catch (const std::runtime_error& problem) {
    return cli::reportFailure("tessaly-quality-score", kUnreadable, problem.what());
  }
  if (page.cols != truth.width || page.rows != truth.height)
    return cli::reportFailure("tessaly-quality-score", kUnreadable,
                              "the page is not the size truth.json gives");
  const quality::QualityScore s =
      quality::scoreResult(page, result, quality::coveredByPieces(truth));
  std::printf(
      "{\"coverage\": %.4f, \"p95\": %.3f, \"median\": %.3f, \"correct\": %s, \"turnDegrees\": "
      "%.3f, "
      "\"dx\": %.2f, \"dy\": %.2f, \"coarseCorrelation\": %.3f, \"cellSize\": %d, "
      "\"measuredCells\": %d, \"unmatchedCells\": %d}\n",
      s.coverage, s.displacementP95, s.displacementMedian, s.correct() ? "true" : "false",
      s.resultToPage.radians * 180 / std::numbers::pi, s.resultToPage.dx, s.resultToPage.dy,
      s.coarseCorrelation, s.cellSize, s.measuredCells, s.unmatchedCells);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const cli::ProgramFrame frame{"tessaly-quality-score", kUsageText, kUsage, kUnreadable};
  return cli::programMain(frame, argc, argv, parse, run);
}
