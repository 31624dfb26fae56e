// QXAutoAlign on a 2 x 2 grid of A4 pages at 300 dpi (2480 x 3508 pieces, a quarter overlap each
// way, small turns), with the loading callback copying uncompressed pixels from memory so that the
// time is the engine's own. Beside it, a plain copy of the four pieces: the least that loading
// them once could cost.
//
// Peak memory: after the pieces are in memory the process's peak resident size is reset
// (/proc/self/clear_refs), QXAutoAlign runs, and the rise of the peak over the resident size
// before it is reported as peak_MiB, next to budget_MiB = the held output-level images + two
// full-resolution pieces + 64 MiB.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "picture.h"
#include "session.h"
#include "temp_dir.h"
#include "test_loader.h"

namespace {

constexpr int32_t kWidth = 2480, kHeight = 3508;
constexpr double kMiB = 1024.0 * 1024.0;

struct Grid {
  tessaly::stitch::test::TempDir dir;
  std::vector<std::string> names;
  std::vector<tessaly::stitch::test::Picture> pieces;
};

const Grid& grid() {
  static const std::unique_ptr<Grid> g = [] {
    auto made = std::make_unique<Grid>();
    const double across = 0.75 * kWidth, down = 0.75 * kHeight;
    const tessaly::stitch::test::Picture page = tessaly::stitch::test::makeTexturedPage(
        static_cast<int32_t>(kWidth + across + 80), static_cast<int32_t>(kHeight + down + 80), 1);
    const double degrees[4] = {0, 1.5, -1, 0.5};
    for (int i = 0; i < 4; ++i) {
      const std::string name = made->dir.file("cell" + std::to_string(i) + ".bmp");
      tessaly::stitch::test::touchFile(name, i);
      made->names.push_back(name);
      made->pieces.push_back(tessaly::stitch::test::cutPiece(
          page, kWidth / 2.0 + 40 + (i % 2) * across, kHeight / 2.0 + 40 + (i / 2) * down, kWidth,
          kHeight, degrees[i]));
    }
    return made;
  }();
  return *g;
}

long statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  }
  return -1;
}

// A session over the four pieces, loaded and arranged as the 2 x 2 grid, ready to align.
void* prepare(tessaly::stitch::test::TestLoader& loader, int32_t outputSize) {
  const Grid& g = grid();
  for (int i = 0; i < 4; ++i) loader.add(g.names[i], g.pieces[i]);
  void* session = loader.createSession(QX_STYLE_GRID, outputSize);
  std::vector<std::vector<char>> buffers;
  std::vector<char*> names;
  std::vector<POINT> sizes(4, POINT{kWidth, kHeight});
  for (const std::string& n : g.names) {
    buffers.emplace_back(QX_NAME_BUFFER, '\0');
    std::copy(n.begin(), n.end(), buffers.back().begin());
  }
  for (auto& b : buffers) names.push_back(b.data());
  std::vector<int32_t> turns(4, 0);
  tagStitchOrderInfo arrangement{2, 2, names.data(), turns.data()};
  if (QXLoadImages(session, 4, names.data(), sizes.data()) != QX_OK ||
      QXChangeOrder(session, &arrangement) != QX_OK) {
    QXReleaseStitch(session);
    return nullptr;
  }
  return session;
}

void BM_AutoAlign(benchmark::State& state) {
  grid();  // cut the pieces before timing starts
  const int32_t outputSize = static_cast<int32_t>(state.range(0));
  double peak = 0, held = 0;
  for (auto _ : state) {
    state.PauseTiming();
    tessaly::stitch::test::TestLoader loader;
    void* session = prepare(loader, outputSize);
    if (session == nullptr) {
      state.SkipWithError("the pieces did not load");
      break;
    }
    malloc_trim(0);
    const long before = statusKiB("VmRSS:");
    std::ofstream("/proc/self/clear_refs") << "5";
    state.ResumeTiming();

    const long status = QXAutoAlign(session);

    state.PauseTiming();
    peak = (statusKiB("VmHWM:") - before) / 1024.0;
    if (status != QX_OK) state.SkipWithError("alignment failed");
    const tessaly::stitch::Session& s = *static_cast<tessaly::stitch::Session*>(session);
    held = 0;
    for (const tessaly::stitch::PieceRecord& piece : s.pieces) {
      const tessaly::stitch::ImagePtr& level = piece.levels[s.outputLevel];
      if (s.outputLevel != s.coarsest && level) held += double(level->bytesPerLine) * level->height;
    }
    QXReleaseStitch(session);
    state.ResumeTiming();
  }
  const double piece = double(grid().pieces[0].bytes.size());
  state.counters["peak_MiB"] = peak;
  state.counters["budget_MiB"] = (held + 2 * piece) / kMiB + 64;
  state.counters["piece_MiB"] = piece / kMiB;
}

void BM_CopyFourPieces(benchmark::State& state) {
  grid();
  for (auto _ : state) {
    for (const tessaly::stitch::test::Picture& p : grid().pieces) {
      std::unique_ptr<uint8_t[]> copy(new uint8_t[p.bytes.size()]);
      std::memcpy(copy.get(), p.bytes.data(), p.bytes.size());
      benchmark::DoNotOptimize(copy.get());
    }
  }
}

BENCHMARK(BM_CopyFourPieces)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoAlign)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
