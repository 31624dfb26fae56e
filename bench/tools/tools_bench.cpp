// A 4000 x 6000 24-bit layer turned by 1.5 degrees, halved, and mapped through tone tables;
// beside them the same work by OpenCV on one thread and a plain memcpy of the pixels.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstring>
#include <memory>
#include <vector>

#include "tools.h"
#include "zanengin.h"

#ifdef TOOLS_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int32_t kWidth = 4000, kHeight = 6000;

std::vector<unsigned char> pattern() {
  std::vector<unsigned char> bytes(size_t{kWidth} * kHeight * 3);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<unsigned char>((i * 7 + i / 12007) & 255);
  return bytes;
}

zanHandle sourceLayer() {
  static const zanHandle layer = [] {
    const zanHandle l = zanCreateLayer(0, 0, kWidth, kHeight, nullptr);
    const std::vector<unsigned char> bytes = pattern();
    zanSetLayerBits(bytes.data(), l, 0, 0, kWidth, kHeight, kWidth * 3, ZAN_NO_FILL);
    return l;
  }();
  return layer;
}

// Freed memory stays with the process (tiles from the heap, none given back), as in a program
// that runs one operation after another: the figures are the work itself, not the page faults of
// memory fresh from the system, whose price MemcpyIntoNewMemory shows.
template <typename Op>
void runTool(benchmark::State& state, Op&& op) {
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  const zanHandle layer = sourceLayer();
  for (auto _ : state) {
    int32_t error = 0;
    const zanHandle result = op(layer, &error);
    if (result == 0) state.SkipWithError("operation failed");
    zanDestroyLayer(result);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight * 3);
}

void ToolsRotate1_5(benchmark::State& state) {
  // Whole degrees in the record; the bench turns by 1.5 through the rectangle-target variant.
  const double turn[] = {1.5, kWidth / 2.0, kHeight / 2.0};
  const RECT source{0, 0, kWidth, kHeight};
  RECT target{};
  _matRotateRect(&target, &source, turn);
  runTool(state,
          [&](zanHandle l, int32_t* e) { return matRotateLayerEx(&target, l, turn, nullptr, e); });
}
BENCHMARK(ToolsRotate1_5)->Unit(benchmark::kMillisecond);

void ToolsResizeHalf(benchmark::State& state) {
  const ResizeRatio half{1, 2, 1, 2, 1};
  runTool(state, [&](zanHandle l, int32_t* e) { return matResize(l, &half, nullptr, e); });
}
BENCHMARK(ToolsResizeHalf)->Unit(benchmark::kMillisecond);

void ToolsLevels(benchmark::State& state) {
  const ToneAdjustParams levels{20, -30, 10, 0};
  runTool(state,
          [&](zanHandle l, int32_t* e) { return matToneAdjustment(l, &levels, nullptr, e); });
}
BENCHMARK(ToolsLevels)->Unit(benchmark::kMillisecond);

void ToolsBrightnessContrastRed(benchmark::State& state) {
  const BriContParams bc{20, 10, 1};
  runTool(state, [&](zanHandle l, int32_t* e) { return matBriAndCont(l, &bc, nullptr, e); });
}
BENCHMARK(ToolsBrightnessContrastRed)->Unit(benchmark::kMillisecond);

void Memcpy(benchmark::State& state) {
  const std::vector<unsigned char> from = pattern();
  std::vector<unsigned char> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(from.size()));
}
BENCHMARK(Memcpy)->Unit(benchmark::kMillisecond);

// The same copy into memory freshly taken from the system each time, as every new layer's
// blocks are.
void MemcpyIntoNewMemory(benchmark::State& state) {
  const std::vector<unsigned char> from = pattern();
  for (auto _ : state) {
    std::unique_ptr<unsigned char[]> to(new unsigned char[from.size()]);
    std::memcpy(to.get(), from.data(), from.size());
    benchmark::DoNotOptimize(to.get());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(from.size()));
}
BENCHMARK(MemcpyIntoNewMemory)->Unit(benchmark::kMillisecond);

#ifdef TOOLS_BENCH_OPENCV
cv::Mat sourceMat() {
  static const std::vector<unsigned char> bytes = pattern();
  return cv::Mat(kHeight, kWidth, CV_8UC3, const_cast<unsigned char*>(bytes.data()));
}

void OpenCvWarpAffine1_5(benchmark::State& state) {
  cv::setNumThreads(1);
  const cv::Mat source = sourceMat();
  const cv::Mat turn =
      cv::getRotationMatrix2D(cv::Point2f(kWidth / 2.0f, kHeight / 2.0f), 1.5, 1.0);
  const cv::Rect box =
      cv::RotatedRect(cv::Point2f(kWidth / 2.0f, kHeight / 2.0f), cv::Size2f(kWidth, kHeight), 1.5f)
          .boundingRect();
  cv::Mat shifted = turn.clone();
  shifted.at<double>(0, 2) -= box.x;
  shifted.at<double>(1, 2) -= box.y;
  cv::Mat out;
  for (auto _ : state) {
    cv::warpAffine(source, out, shifted, box.size(), cv::INTER_LINEAR);
    benchmark::DoNotOptimize(out.data);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight * 3);
}
BENCHMARK(OpenCvWarpAffine1_5)->Unit(benchmark::kMillisecond);

void OpenCvResizeHalf(benchmark::State& state) {
  cv::setNumThreads(1);
  const cv::Mat source = sourceMat();
  cv::Mat out;
  for (auto _ : state) {
    cv::resize(source, out, cv::Size(kWidth / 2, kHeight / 2), 0, 0, cv::INTER_AREA);
    benchmark::DoNotOptimize(out.data);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight * 3);
}
BENCHMARK(OpenCvResizeHalf)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
