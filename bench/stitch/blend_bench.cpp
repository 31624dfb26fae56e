// Composition of a 2 x 2 stitch of A4 pages at 300 dpi (2480 x 3508, 24-bit, slightly tilted),
// and the whole road from file names to one picture.
//
// BM_Blend runs QXAutoBlend on a session that holds the true alignment and reports the peak
// memory it adds (the process's high-water mark reset just before the call) beside the budget:
// the canvas, two pieces and 64 MiB. The loading callback copies pixels from memory, so the
// times are the engine's own.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "session.h"
#include "stitch_layout.h"
#include "temp_dir.h"
#include "test_loader.h"

namespace {

constexpr int32_t kWidth = 2480;
constexpr int32_t kHeight = 3508;
constexpr double kMiB = 1024.0 * 1024.0;

const tessaly::stitch::test::StitchLayout& layout() {
  static const tessaly::stitch::test::StitchLayout l = [] {
    tessaly::stitch::test::StitchLayout g =
        tessaly::stitch::test::gridLayout(2, 2, kWidth, kHeight, 500, 1, 60, false);
    const double tilts[] = {0, 0.8, -0.6, 0.4};
    for (int cell = 0; cell < 4; ++cell) g.cells[cell].angleDegrees = tilts[cell];
    return g;
  }();
  return l;
}

// Pieces served from memory under files whose write times give the cell order.
struct Scene {
  tessaly::stitch::test::TempDir dir;
  tessaly::stitch::test::TestLoader loader;
  std::vector<std::string> files;

  Scene() {
    for (int cell = 0; cell < 4; ++cell) {
      files.push_back(dir.file("piece" + std::to_string(cell) + ".bmp"));
      tessaly::stitch::test::touchFile(files.back(), cell);
      loader.add(files.back(), layout().file(cell));
    }
  }
};

// A value in kB from /proc/self/status ("VmHWM", "VmRSS").
double statusKiB(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1));
  }
  return 0;
}

void resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_Blend(benchmark::State& state) {
  Scene scene;
  double peakMiB = 0, canvasMiB = 0;
  for (auto _ : state) {
    state.PauseTiming();
    void* session = scene.loader.createSession(QX_STYLE_GRID, 0);
    if (tessaly::stitch::test::alignLayout(session, layout(), scene.files,
                                           tessaly::stitch::test::Alignment::Truth) < 0) {
      state.SkipWithError("alignment failed");
      break;
    }
    const double before = statusKiB("VmRSS");
    resetPeak();
    state.ResumeTiming();

    tagPixelArray* result = nullptr;
    if (QXAutoBlend(session, &result, nullptr) != QX_OK) state.SkipWithError("blend failed");

    state.PauseTiming();
    peakMiB = std::max(peakMiB, (statusKiB("VmHWM") - before) / 1024.0);
    if (result != nullptr)
      canvasMiB = static_cast<double>(result->bytesPerLine) * result->height / kMiB;
    QXReleaseStitch(session);
    state.ResumeTiming();
  }
  const double pieceMiB = kWidth * 3.0 * kHeight / kMiB;
  state.counters["peak_added_MiB"] = peakMiB;
  state.counters["budget_MiB"] = canvasMiB + 2 * pieceMiB + 64;
  state.counters["canvas_MiB"] = canvasMiB;
}

void BM_StitchFromFileNames(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    void* session = scene.loader.createSession(QX_STYLE_GRID, 0);
    tagPixelArray* result = nullptr;
    if (tessaly::stitch::test::alignLayout(session, layout(), scene.files,
                                           tessaly::stitch::test::Alignment::Truth) < 0 ||
        QXAutoBlend(session, &result, nullptr) != QX_OK) {
      state.SkipWithError("stitch failed");
    }
    QXReleaseStitch(session);
  }
}

BENCHMARK(BM_Blend)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StitchFromFileNames)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
