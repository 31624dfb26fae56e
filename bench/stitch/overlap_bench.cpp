// The coarse overlap search on the level alignment starts from for A4 pieces at 300 dpi in a grid
// (77 x 109 pixels): one pair's exhaustive search, and a single placement score.
#include <benchmark/benchmark.h>

#include "levels.h"
#include "overlap_search.h"
#include "picture.h"

namespace {

struct Pair {
  tessaly::stitch::FeatureImage a, b;
  tessaly::stitch::SimilarityTable table;
  tessaly::stitch::SearchWindow window;
};

const Pair& pair() {
  static const Pair p = [] {
    const tessaly::stitch::test::Picture page =
        tessaly::stitch::test::makeTexturedPage(4000, 3600, 3);
    // Two neighbours a quarter overlapping, reduced five times as the level rule does.
    auto coarse = [&](double cx) {
      tessaly::stitch::test::Picture piece =
          tessaly::stitch::test::cutPiece(page, cx, 1800, 2480, 3508, cx > 2000 ? 1 : 0);
      tagPixelArray view = piece.view();
      tessaly::stitch::ImagePtr level = tessaly::stitch::halve(view, {});
      for (int k = 1; k < 5; ++k) level = tessaly::stitch::halve(*level, {});
      return tessaly::stitch::buildFeatures(*level);
    };
    Pair made{coarse(1300), coarse(1300 + 0.75 * 2480), {}, {}};
    made.window =
        tessaly::stitch::searchWindow(made.a.width, made.a.height, made.b.width, made.b.height,
                                      tessaly::stitch::NeighbourOverlap::Wide, true);
    return made;
  }();
  return p;
}

void BM_CoarseMatch(benchmark::State& state) {
  const Pair& p = pair();
  for (auto _ : state)
    benchmark::DoNotOptimize(tessaly::stitch::coarseMatch(p.a, p.b, p.table, p.window, {}));
}

void BM_ScorePlacement(benchmark::State& state) {
  const Pair& p = pair();
  const int32_t x = p.a.width * 3 / 4, y = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(tessaly::stitch::scorePlacement(p.a, p.b, x, y, p.table));
}

BENCHMARK(BM_CoarseMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScorePlacement)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
