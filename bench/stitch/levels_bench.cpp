// Halving and quarter turns of an A4 page at 300 dpi (2480 x 3508, 24-bit) next to a plain copy
// of the same bytes, so the figures compare with the memory system's own speed.
#include <benchmark/benchmark.h>

#include <cstring>

#include "levels.h"
#include "picture.h"
#include "turn.h"

namespace {

constexpr int32_t kWidth = 2480;
constexpr int32_t kHeight = 3508;

const tessaly::stitch::test::Picture& page() {
  static const tessaly::stitch::test::Picture p =
      tessaly::stitch::test::makeTexturedPage(kWidth, kHeight, 1);
  return p;
}

void setBytes(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page().bytes.size()));
}

void BM_Memcpy(benchmark::State& state) {
  const tessaly::stitch::test::Picture& p = page();
  for (auto _ : state) {
    // A fresh destination each time, as the engine's operations allocate theirs.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[p.bytes.size()]);
    std::memcpy(copy.get(), p.bytes.data(), p.bytes.size());
    benchmark::DoNotOptimize(copy.get());
  }
  setBytes(state);
}

void BM_Halve(benchmark::State& state) {
  tessaly::stitch::test::Picture p = page();
  const tagPixelArray view = p.view();
  for (auto _ : state) benchmark::DoNotOptimize(tessaly::stitch::halve(view, {}));
  setBytes(state);
}

void BM_QuarterTurn(benchmark::State& state) {
  tessaly::stitch::test::Picture p = page();
  const tagPixelArray view = p.view();
  const int code = static_cast<int>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(tessaly::stitch::quarterTurn(view, code));
  setBytes(state);
}

// Every turn each way this processor runs (0 portable, 1 SSSE3, 2 AVX2).
void BM_TurnWay(benchmark::State& state) {
  tessaly::stitch::test::Picture p = page();
  const tagPixelArray view = p.view();
  const int code = static_cast<int>(state.range(0));
  const auto way = static_cast<tessaly::stitch::TurnWay>(state.range(1));
  if (!tessaly::stitch::turnWayAvailable(way)) {
    state.SkipWithError("this processor lacks the instructions");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(tessaly::stitch::quarterTurn(view, code, way));
  setBytes(state);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Halve)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarterTurn)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnWay)
    ->ArgsProduct({{1, 2, 3}, {0, 1, 2}})
    ->ArgNames({"code", "way"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
