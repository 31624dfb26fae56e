// Writing and reading back a letter-size page at 300 dots per inch (2480 x 3508, 24 bits) through
// the engine's block storage, next to plain memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "zanengin.h"

namespace {

constexpr int32_t kWidth = 2480;
constexpr int32_t kHeight = 3508;
constexpr int32_t kStride = (kWidth * 3 + 3) & ~3;
constexpr size_t kBytes = static_cast<size_t>(kStride) * kHeight;

std::vector<unsigned char> page() {
  std::vector<unsigned char> bytes(kBytes);
  for (size_t i = 0; i < kBytes; ++i) bytes[i] = static_cast<unsigned char>(i * 31 + (i >> 12));
  return bytes;
}

void reportBytes(benchmark::State& state) {
  // Every run moves the page twice: once in, once back out.
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * kBytes);
}

// A fresh layer per run: its tiles and pixel memory are made by the write.
void BM_LayerBits_NewLayer(benchmark::State& state) {
  const std::vector<unsigned char> source = page();
  std::vector<unsigned char> back(kBytes);
  for (auto _ : state) {
    const zanHandle layer = zanCreateLayer(0, 0, kWidth, kHeight, nullptr);
    zanSetLayerBits(source.data(), layer, 0, 0, kWidth, kHeight, kStride, -1);
    zanGetLayerBits(back.data(), layer, 0, 0, kWidth, kHeight, kStride);
    benchmark::DoNotOptimize(back.data());
    zanDestroyLayer(layer);
  }
  if (std::memcmp(source.data(), back.data(), kBytes) != 0) state.SkipWithError("mismatch");
  reportBytes(state);
}
BENCHMARK(BM_LayerBits_NewLayer)->Unit(benchmark::kMillisecond);

// The same layer rewritten: its blocks and memory already exist.
void BM_LayerBits_ExistingLayer(benchmark::State& state) {
  const std::vector<unsigned char> source = page();
  std::vector<unsigned char> back(kBytes);
  const zanHandle layer = zanCreateLayer(0, 0, kWidth, kHeight, nullptr);
  zanSetLayerBits(source.data(), layer, 0, 0, kWidth, kHeight, kStride, -1);
  for (auto _ : state) {
    zanSetLayerBits(source.data(), layer, 0, 0, kWidth, kHeight, kStride, -1);
    zanGetLayerBits(back.data(), layer, 0, 0, kWidth, kHeight, kStride);
    benchmark::DoNotOptimize(back.data());
  }
  if (std::memcmp(source.data(), back.data(), kBytes) != 0) state.SkipWithError("mismatch");
  zanDestroyLayer(layer);
  reportBytes(state);
}
BENCHMARK(BM_LayerBits_ExistingLayer)->Unit(benchmark::kMillisecond);

// Tile by tile as the image tools do it: create a block, fill it, insert it; then lock each
// tile's block and copy its rows out.
void BM_TileBlocks(benchmark::State& state) {
  const std::vector<unsigned char> source = page();
  std::vector<unsigned char> back(kBytes);
  constexpr int32_t kTile = 256;
  for (auto _ : state) {
    const zanHandle layer = zanCreateLayer(0, 0, kWidth, kHeight, nullptr);
    for (int32_t top = 0; top < kHeight; top += kTile) {
      for (int32_t left = 0; left < kWidth; left += kTile) {
        const int32_t w = std::min(kTile, kWidth - left), h = std::min(kTile, kHeight - top);
        const int32_t stride = (w * 3 + 3) & ~3;
        BlockHeader* block = zanCreateBlock(static_cast<uint32_t>(stride * h), 1, nullptr);
        *block = BlockHeader{1, block->data, left, top, left + w, top + h, 24, stride};
        for (int32_t y = 0; y < h; ++y)
          std::memcpy(block->data + y * stride, source.data() + (top + y) * kStride + left * 3,
                      static_cast<size_t>(w) * 3);
        zanInsertBlock(block, layer, nullptr);
        zanUnlockBlock(block, 1);
      }
    }
    for (int32_t top = 0; top < kHeight; top += kTile) {
      for (int32_t left = 0; left < kWidth; left += kTile) {
        BlockHeader* block = zanLockBlock(layer, left, top, nullptr);
        const int32_t w = block->right - block->left;
        for (int32_t y = block->top; y < block->bottom; ++y)
          std::memcpy(back.data() + y * kStride + left * 3,
                      block->data + (y - block->top) * block->stride, static_cast<size_t>(w) * 3);
        zanUnlockBlock(block, 0);
      }
    }
    benchmark::DoNotOptimize(back.data());
    zanDestroyLayer(layer);
  }
  if (std::memcmp(source.data(), back.data(), kBytes) != 0) state.SkipWithError("mismatch");
  reportBytes(state);
}
BENCHMARK(BM_TileBlocks)->Unit(benchmark::kMillisecond);

// The reference: the same bytes copied into a buffer and back with memcpy.
void BM_Memcpy(benchmark::State& state) {
  const std::vector<unsigned char> source = page();
  std::vector<unsigned char> middle(kBytes), back(kBytes);
  for (auto _ : state) {
    std::memcpy(middle.data(), source.data(), kBytes);
    benchmark::ClobberMemory();
    std::memcpy(back.data(), middle.data(), kBytes);
    benchmark::DoNotOptimize(back.data());
  }
  reportBytes(state);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
