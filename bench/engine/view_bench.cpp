// A view of an 8000 x 11000 picture redrawing a 1920 x 1080 window into an image at several
// zooms: with its cache warm (nothing changed), cold (everything to compose again, reduced copies
// already made) and first (the layer's reduced copies made too).
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "zanEngQt.h"
#include "zanengin.h"

namespace {

constexpr int32_t kWidth = 8000;
constexpr int32_t kHeight = 11000;
constexpr int32_t kWindowWidth = 1920;
constexpr int32_t kWindowHeight = 1080;
constexpr int32_t kBand = 256;

// One opaque layer of varied pixels over the whole canvas, written in bands.
zanHandle picture() {
  static const zanHandle made = [] {
    const zanHandle p = zanCreatePicture(nullptr);
    zanSetPictureProperty(p, ZAN_PICT_WIDTH, &kWidth, sizeof kWidth, 0);
    zanSetPictureProperty(p, ZAN_PICT_HEIGHT, &kHeight, sizeof kHeight, 0);
    const zanHandle layer = zanCreateLayer(0, 0, kWidth, kHeight, nullptr);
    const int32_t stride = kWidth * 3;
    std::vector<unsigned char> band(static_cast<size_t>(stride) * kBand);
    for (int32_t top = 0; top < kHeight; top += kBand) {
      const int32_t rows = std::min(kBand, kHeight - top);
      for (int32_t y = 0; y < rows; ++y)
        for (int32_t x = 0; x < stride; ++x)
          band[static_cast<size_t>(y) * stride + x] =
              static_cast<unsigned char>((x * 7) ^ ((top + y) * 13) ^ (x >> 5));
      zanSetLayerBits(band.data(), layer, 0, top, kWidth, top + rows, stride, 0);
    }
    zanInsertLayer(p, layer, 0);
    return p;
  }();
  return made;
}

// A view of the picture's middle at the zoom.
zanHandle makeView(int32_t numerator, int32_t denominator) {
  const zanHandle view = zanCreateView(0, nullptr);
  const RECT rect{0, 0, kWindowWidth, kWindowHeight};
  zanSetViewProperty(view, ZAN_VIEW_RECT, &rect, sizeof rect, 0);
  const int32_t zoom[2] = {numerator, denominator};
  zanSetViewProperty(view, ZAN_VIEW_ZOOM, zoom, sizeof zoom, 0);
  const int64_t scaledWidth = int64_t{kWidth} * numerator / denominator;
  const int64_t scaledHeight = int64_t{kHeight} * numerator / denominator;
  const int32_t scroll[2] = {
      static_cast<int32_t>(std::max<int64_t>(0, (scaledWidth - kWindowWidth) / 2)),
      static_cast<int32_t>(std::max<int64_t>(0, (scaledHeight - kWindowHeight) / 2))};
  zanSetViewProperty(view, ZAN_VIEW_SCROLL, scroll, sizeof scroll, 0);
  const zanHandle p = picture();
  zanSetViewProperty(view, ZAN_VIEW_PICTURE, &p, sizeof p, 0);
  return view;
}

void drawInto(QImage& image, zanHandle view) {
  QPainter painter(&image);
  tessaly::engine::qt::PainterDevice device(painter);
  zanDrawView(view, device.device(), nullptr, 1);
}

// Marks the whole cache as changed: a scroll step and back.
void touchScroll(zanHandle view) {
  int32_t scroll[2] = {};
  zanGetViewProperty(view, ZAN_VIEW_SCROLL, scroll, sizeof scroll, nullptr);
  scroll[0] ^= 1;
  zanSetViewProperty(view, ZAN_VIEW_SCROLL, scroll, sizeof scroll, 0);
}

// Drops the layer's reduced copies (a new cache key), as after a change to the whole layer.
void dropReducedCopies() {
  const zanHandle layer = zanGetLayer(picture(), 1, nullptr);
  int32_t key = 0;
  zanGetLayerProperty(layer, ZAN_LAYER_CACHEKEY, &key, sizeof key, nullptr);
  ++key;
  zanSetLayerProperty(layer, ZAN_LAYER_CACHEKEY, &key, sizeof key, 0);
}

void BM_ViewWarm(benchmark::State& state) {
  const zanHandle view =
      makeView(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
  QImage image(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
  drawInto(image, view);
  for (auto _ : state) drawInto(image, view);
  zanDestroyView(view);
}

void BM_ViewCold(benchmark::State& state) {
  const zanHandle view =
      makeView(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
  QImage image(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
  drawInto(image, view);
  for (auto _ : state) {
    state.PauseTiming();
    touchScroll(view);
    state.ResumeTiming();
    drawInto(image, view);
  }
  zanDestroyView(view);
}

void BM_ViewFirst(benchmark::State& state) {
  const zanHandle view =
      makeView(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
  QImage image(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    state.PauseTiming();
    dropReducedCopies();
    state.ResumeTiming();
    drawInto(image, view);
  }
  zanDestroyView(view);
}

void zooms(benchmark::internal::Benchmark* b) {
  for (const auto& zoom :
       std::vector<std::pair<int, int>>{{1, 16}, {1, 8}, {1, 4}, {1, 2}, {2, 3}, {1, 1}, {2, 1}})
    b->Args({zoom.first, zoom.second});
  b->ArgNames({"num", "den"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ViewWarm)->Apply(zooms);
BENCHMARK(BM_ViewCold)->Apply(zooms);
BENCHMARK(BM_ViewFirst)->Apply(zooms)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
