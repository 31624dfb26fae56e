// Composition: two full 24-bit layers of 4000 x 6000 pixels (the top one at half opacity, no
// mask) composed into a caller's block, next to the same work done by pixman (copy of the
// bottom, OVER of the top through a constant half mask); a merge of one opaque layer next to a
// memcpy of its pixels; and the memory a merge takes beyond what it returns.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <pixman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "zanengin.h"

namespace {

constexpr int32_t kWidth = 4000;
constexpr int32_t kHeight = 6000;
constexpr int32_t kStride = kWidth * 3;  // a multiple of 4
constexpr size_t kBytes = static_cast<size_t>(kStride) * kHeight;

std::vector<unsigned char> pixels(unsigned seed) {
  std::vector<unsigned char> bytes(kBytes);
  for (size_t i = 0; i < kBytes; ++i) bytes[i] = static_cast<unsigned char>(i * seed + (i >> 11));
  return bytes;
}

zanHandle layerOf(const std::vector<unsigned char>& bytes, int32_t opacity) {
  const zanHandle layer = zanCreateLayer(0, 0, kWidth, kHeight, nullptr);
  zanSetLayerBits(bytes.data(), layer, 0, 0, kWidth, kHeight, kStride, -1);
  zanSetLayerProperty(layer, ZAN_LAYER_OPACITY, &opacity, sizeof opacity, 0);
  return layer;
}

zanHandle pictureOf(std::initializer_list<zanHandle> layers) {
  const zanHandle picture = zanCreatePicture(nullptr);
  const int32_t width = kWidth, height = kHeight;
  zanSetPictureProperty(picture, ZAN_PICT_WIDTH, &width, sizeof width, 0);
  zanSetPictureProperty(picture, ZAN_PICT_HEIGHT, &height, sizeof height, 0);
  int32_t index = 1;
  for (const zanHandle layer : layers) zanInsertLayer(picture, layer, index++);
  return picture;
}

void reportPixels(benchmark::State& state) {
  state.counters["Mpixel/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                         benchmark::Counter::kIsRate);
}

// Spot checks of the composed pixels: keep[128][below] + take[128][above].
bool composedRight(const unsigned char* out) {
  const std::vector<unsigned char> below = pixels(31), above = pixels(57);
  for (size_t i = 0; i < kBytes; i += 7919) {
    const unsigned expected = ((255 - 128) * below[i] + 127) / 255 + (128 * above[i] + 127) / 255;
    if (out[i] != expected) return false;
  }
  return true;
}

void BM_Compose_TwoLayersHalfOpacity_Engine(benchmark::State& state) {
  const zanHandle picture = pictureOf({layerOf(pixels(31), 255), layerOf(pixels(57), 128)});
  BlockHeader* block = zanCreateBlock(static_cast<uint32_t>(kBytes), ZAN_BLOCK_PIXELS, nullptr);
  block->right = kWidth;
  block->bottom = kHeight;
  block->bitsPerPixel = 24;
  block->stride = kStride;
  for (auto _ : state) {
    zanGetPictureBits(block, picture, 0, 0, kWidth, kHeight);
    benchmark::DoNotOptimize(block->data);
  }
  if (!composedRight(block->data)) state.SkipWithError("composed pixels are wrong");
  zanDestroyBlock(block);
  zanDestroyPicture(picture);
  reportPixels(state);
}
BENCHMARK(BM_Compose_TwoLayersHalfOpacity_Engine)->Unit(benchmark::kMillisecond);

void BM_Compose_TwoLayersHalfOpacity_Pixman(benchmark::State& state) {
  std::vector<unsigned char> bottom = pixels(31), top = pixels(57), out(kBytes);
  auto image = [](std::vector<unsigned char>& bytes) {
    return pixman_image_create_bits(PIXMAN_r8g8b8, kWidth, kHeight,
                                    reinterpret_cast<uint32_t*>(bytes.data()), kStride);
  };
  pixman_image_t* below = image(bottom);
  pixman_image_t* above = image(top);
  pixman_image_t* target = image(out);
  const pixman_color_t half{0, 0, 0, 0x8080};
  pixman_image_t* mask = pixman_image_create_solid_fill(&half);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, below, nullptr, target, 0, 0, 0, 0, 0, 0, kWidth,
                             kHeight);
    pixman_image_composite32(PIXMAN_OP_OVER, above, mask, target, 0, 0, 0, 0, 0, 0, kWidth,
                             kHeight);
    benchmark::DoNotOptimize(out.data());
  }
  for (pixman_image_t* i : {below, above, target, mask}) pixman_image_unref(i);
  reportPixels(state);
}
BENCHMARK(BM_Compose_TwoLayersHalfOpacity_Pixman)->Unit(benchmark::kMillisecond);

// Freed memory stays with the process here (tiles from the heap, none given back), so every run
// after the first merges into memory already touched, as the memcpy below copies into.
void BM_Merge_OneOpaqueLayer(benchmark::State& state) {
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);  // tiles from the heap, not one mapping each
  const std::vector<unsigned char> source = pixels(31);
  const zanHandle picture = pictureOf({layerOf(source, 255)});
  for (auto _ : state) {
    const zanHandle merged = zanMergeLayers(picture, 1, 1, nullptr, nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(merged);
    state.PauseTiming();
    unsigned char corner[3] = {};
    zanGetLayerBits(corner, merged, kWidth - 1, kHeight - 1, kWidth, kHeight, 3);
    if (std::memcmp(corner, source.data() + kBytes - 3, 3) != 0) state.SkipWithError("mismatch");
    zanDestroyLayer(merged);
    state.ResumeTiming();
  }
  zanDestroyPicture(picture);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_Merge_OneOpaqueLayer)->Unit(benchmark::kMillisecond);

// Into memory already touched: the cheapest copy.
void BM_Memcpy_OneLayer(benchmark::State& state) {
  const std::vector<unsigned char> source = pixels(31);
  std::vector<unsigned char> copy(kBytes);
  for (auto _ : state) {
    std::memcpy(copy.data(), source.data(), kBytes);
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_Memcpy_OneLayer)->Unit(benchmark::kMillisecond);

// A line of /proc/self/status in KiB (VmRSS: now, VmHWM: the high-water mark).
long statusKiB(const char* key) {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long value = -1;
  const size_t length = std::strlen(key);
  while (std::fgets(line, sizeof line, status) != nullptr)
    if (std::strncmp(line, key, length) == 0) value = std::strtol(line + length, nullptr, 10);
  std::fclose(status);
  return value;
}

// Starts the high-water mark again from the memory in use now.
bool resetHighWaterMark() {
  FILE* refs = std::fopen("/proc/self/clear_refs", "w");
  if (refs == nullptr) return false;
  const bool done = std::fputs("5", refs) >= 0;
  return std::fclose(refs) == 0 && done;
}

// In a child process, so nothing else runs meanwhile: three opaque full layers merged; how far
// the memory in use rose above its level before the merge, in MiB.
double mergeGrowthMiB() {
  int channel[2];
  if (pipe(channel) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    const zanHandle picture =
        pictureOf({layerOf(pixels(31), 255), layerOf(pixels(57), 255), layerOf(pixels(91), 255)});
    double grown = -1;
    malloc_trim(0);  // free memory goes back, so the rise counts only what the merge holds
    if (resetHighWaterMark()) {
      const long before = statusKiB("VmRSS:");
      const zanHandle merged = zanMergeLayers(picture, 1, 1, nullptr, nullptr, nullptr, nullptr);
      if (merged != 0) grown = static_cast<double>(statusKiB("VmHWM:") - before) / 1024;
    }
    [[maybe_unused]] const ssize_t written = write(channel[1], &grown, sizeof grown);
    _exit(0);
  }
  double grown = -1;
  close(channel[1]);
  if (read(channel[0], &grown, sizeof grown) != sizeof grown) grown = -1;
  close(channel[0]);
  waitpid(child, nullptr, 0);
  return grown;
}

void BM_Merge_PeakMemory(benchmark::State& state) {
  double grown = 0;
  for (auto _ : state) grown = mergeGrowthMiB();
  state.counters["result_MiB"] = static_cast<double>(kBytes) / (1024 * 1024);
  state.counters["peak_growth_MiB"] = grown;
}
BENCHMARK(BM_Merge_PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
