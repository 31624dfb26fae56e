// Skew measurement and turning of an A4 text page at 300 dpi (2480 x 3508, 24-bit, turned by
// 2.5 degrees), next to a plain copy of the same bytes for scale.
#include <benchmark/benchmark.h>

#include <cstring>

#include "picture.h"
#include "straighten_measure.h"
#include "straighten_turn.h"
#include "text_page.h"

namespace {

const tessaly::stitch::test::Picture& page() {
  static const tessaly::stitch::test::Picture p = tessaly::stitch::test::cutPiece(
      tessaly::stitch::test::makeTextPage(2900, 3900, 1, 40), 1450, 1950, 2480, 3508, 2.5);
  return p;
}

void setBytes(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page().bytes.size()));
}

void BM_Copy(benchmark::State& state) {
  tessaly::stitch::test::Picture p = page();
  const tagPixelArray view = p.view();
  for (auto _ : state) benchmark::DoNotOptimize(tessaly::stitch::copyImage(view));
  setBytes(state);
}

void BM_MeasureSkew(benchmark::State& state) {
  tessaly::stitch::test::Picture p = page();
  const tagPixelArray view = p.view();
  for (auto _ : state) benchmark::DoNotOptimize(tessaly::stitch::measureSkew(view));
  setBytes(state);
}

void BM_TurnByAngle(benchmark::State& state) {
  tessaly::stitch::test::Picture p = page();
  const tagPixelArray view = p.view();
  for (auto _ : state)
    benchmark::DoNotOptimize(tessaly::stitch::turnByAngle(view, -2.5 * 3.14159265358979 / 180));
  setBytes(state);
}

BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeasureSkew)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnByAngle)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
