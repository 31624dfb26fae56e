// The pair search of the verified way on four A4 pieces at the working level of a 300 dpi scan
// (about 620 x 877 pixels, finer level twice that) laid 2 x 2 with tilts: every pair, every
// quarter turn, the rotation scan, refinement and confirmation.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include "picture.h"
#include "stitch_layout.h"
#include "verified_pairs.h"
#include "verified_scene.h"

namespace {

using tessaly::stitch::verified::PieceLevels;

std::vector<PieceLevels> gridOfFour(bool text) {
  const int32_t w = 1240, h = 1754, overlapX = 300, overlapY = 420;
  const int32_t pageW = 2 * w - overlapX + 200, pageH = 2 * h - overlapY + 200;
  const tessaly::stitch::test::Picture page =
      text ? tessaly::stitch::test::makeParagraphPage(pageW, pageH, 5, 24)
           : tessaly::stitch::test::smoothed(
                 tessaly::stitch::test::makeTexturedPage(pageW, pageH, 5));
  std::vector<PieceLevels> pieces;
  const double angles[4] = {1.5, -2.0, 0.5, -1.0};
  for (int cell = 0; cell < 4; ++cell) {
    tessaly::stitch::test::CutPlan plan;
    plan.centreX = 100 + w / 2.0 + (cell % 2) * (w - overlapX);
    plan.centreY = 100 + h / 2.0 + (cell / 2) * (h - overlapY);
    plan.width = w;
    plan.height = h;
    plan.angleDegrees = angles[cell];
    pieces.push_back(tessaly::stitch::test::cutLevels(page, plan, cell + 1));
  }
  return pieces;
}

void pairSearchOnFourA4(benchmark::State& state) {
  const std::vector<PieceLevels> pieces = gridOfFour(state.range(0) != 0);
  tessaly::stitch::verified::PairSearchOptions options;
  options.scanHalvings = static_cast<int>(state.range(1));
  size_t confirmed = 0;
  for (auto _ : state) {
    std::vector<tessaly::stitch::verified::PairHypothesis> out;
    findPairHypotheses(pieces, options, nullptr, out);
    confirmed = 0;
    for (const auto& h : out) confirmed += h.confirmed ? 1 : 0;
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["confirmed"] = static_cast<double>(confirmed);
}
// Arguments: text page (1) or textured page (0); halvings of the scan below the working level.
BENCHMARK(pairSearchOnFourA4)
    ->Args({0, 2})
    ->Args({1, 2})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  cv::setNumThreads(1);  // one core, as the figures are quoted
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
