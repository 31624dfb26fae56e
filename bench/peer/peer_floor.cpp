// The input/output floor of a stitch: every piece decoded once and one picture of the result's
// size encoded once, through the same loader and plug-ins the stitcher uses. The pieces are
// copied onto their grid places in the picture (a plain memory copy), so the encoder sees a real
// document rather than a blank sheet. Only one decoded piece is held at a time.
//
//   peer_floor RESULT WIDTH HEIGHT ROWS COLUMNS PIECE...
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "zanFileIO.h"

int main(int argc, char** argv) {
  if (argc < 7) {
    std::fprintf(stderr, "usage: peer_floor RESULT WIDTH HEIGHT ROWS COLUMNS PIECE...\n");
    return 2;
  }
  const int32_t width = std::atoi(argv[2]), height = std::atoi(argv[3]);
  const int rows = std::atoi(argv[4]), columns = std::atoi(argv[5]);
  const int count = argc - 6;
  if (width < 1 || height < 1 || rows < 1 || columns < 1 || rows * columns != count) return 2;
  if (_zanIOLoadPlugsEx(nullptr) <= 0) return 3;
  const size_t stride = (size_t(width) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> result(stride * size_t(height), 255);
  std::vector<uint8_t> piece;
  for (int i = 0; i < count; ++i) {
    zanIOBGRInfo info{};
    info.size = sizeof info;
    int32_t error = 0;
    zanIOReader* reader = zanIOOpenBGR(argv[6 + i], &info, &error);
    if (reader == nullptr) return 3;
    const size_t pieceStride = (size_t(info.width) * 3 + 3) / 4 * 4;
    piece.resize(pieceStride * size_t(info.height));
    const int32_t read = zanIOReadBGR(reader, piece.data(), int32_t(pieceStride));
    zanIOCloseBGR(reader);
    if (read != 0) return 3;
    // Evenly spread grid places from edge to edge, clipped to the picture.
    const int row = i / columns, column = i % columns;
    const int32_t left = columns > 1 ? (width - info.width) * column / (columns - 1) : 0;
    const int32_t top = rows > 1 ? (height - info.height) * row / (rows - 1) : 0;
    for (int32_t y = 0; y < info.height; ++y) {
      const int32_t ty = top + y;
      const int32_t x0 = std::max(left, 0), x1 = std::min(left + info.width, width);
      if (ty < 0 || ty >= height || x1 <= x0) continue;
      std::memcpy(result.data() + size_t(ty) * stride + size_t(x0) * 3,
                  piece.data() + size_t(y) * pieceStride + size_t(x0 - left) * 3,
                  size_t(x1 - x0) * 3);
    }
  }
  piece = {};
  const int32_t written =
      zanIOWriteBGR(argv[1], 0, result.data(), width, height, int32_t(stride), 300, 300, nullptr);
  return written == 0 ? 0 : 5;
}
