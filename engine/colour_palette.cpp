// Palettes of colour reduction: the fixed ones, median cut over the picture's histogram, and
// the lookup cube that gives every cell its nearest entry.
#include <algorithm>
#include <climits>

#include "colour_reduce.h"

namespace tessaly::engine {
namespace {

constexpr uint8_t kSixteen[16][3] = {  // red, green, blue
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

PaletteColour colour(int32_t red, int32_t green, int32_t blue) {
  return PaletteColour{uint8_t(blue), uint8_t(green), uint8_t(red), 0};
}

// A box of cube cells: bounds per axis (red, green, blue), upper exclusive.
struct Box {
  int32_t lower[3];
  int32_t upper[3];
  int32_t state;  // 0 may be split, 1 too small to split
  int64_t count;
  int32_t sides() const {
    return (upper[0] - lower[0]) + (upper[1] - lower[1]) + (upper[2] - lower[2]);
  }
};

int32_t cellOf(const int32_t at[3]) {
  return at[0] * 1024 + at[1] * 32 + at[2];
}

// The pixels of the box in each plane across axis, from its lower bound up.
std::vector<int64_t> planeCounts(const Histogram& histogram, const Box& box, int axis) {
  std::vector<int64_t> planes(size_t(box.upper[axis] - box.lower[axis]), 0);
  int32_t at[3];
  for (at[0] = box.lower[0]; at[0] < box.upper[0]; ++at[0])
    for (at[1] = box.lower[1]; at[1] < box.upper[1]; ++at[1])
      for (at[2] = box.lower[2]; at[2] < box.upper[2]; ++at[2])
        planes[size_t(at[axis] - box.lower[axis])] += histogram[size_t(cellOf(at))];
  return planes;
}

// The first plane at which the running count reaches target, never beyond upper - 1.
int32_t medianPlane(const std::vector<int64_t>& planes, int32_t lower, int64_t target) {
  int64_t running = 0;
  for (size_t i = 0; i < planes.size(); ++i) {
    running += planes[i];
    if (running >= target) return lower + int32_t(i);
  }
  return lower + int32_t(planes.size()) - 1;
}

int64_t boxCount(const Histogram& histogram, const Box& box) {
  int64_t count = 0;
  for (int64_t plane : planeCounts(histogram, box, 0)) count += plane;
  return count;
}

std::vector<Box> initialBoxes(const Histogram& histogram, int32_t colours) {
  const int32_t perAxis = colours < 16 ? 1 : (colours < 32 ? 2 : 4);
  const int32_t width = kCubeSide / perAxis;
  std::vector<Box> boxes;
  // Up to 64 boxes from the grid, and the splits go on up to 256: room for both.
  boxes.reserve(256 + 64);
  for (int32_t r = 0; r < perAxis; ++r)
    for (int32_t g = 0; g < perAxis; ++g)
      for (int32_t b = 0; b < perAxis; ++b) {
        Box box{{r * width, g * width, b * width},
                {(r + 1) * width, (g + 1) * width, (b + 1) * width},
                0,
                0};
        box.count = boxCount(histogram, box);
        if (box.count > 0) boxes.push_back(box);
      }
  return boxes;
}

// The state-0 box with the largest (sides - 3) x count, the first on a tie; -1 when none.
int32_t boxToSplit(const std::vector<Box>& boxes) {
  int32_t best = -1;
  int64_t bestScore = -1;
  for (size_t i = 0; i < boxes.size(); ++i) {
    if (boxes[i].state != 0) continue;
    const int64_t score = int64_t(boxes[i].sides() - 3) * boxes[i].count;
    if (score > bestScore) {
      best = int32_t(i);
      bestScore = score;
    }
  }
  return best;
}

// Splits the box across its longest axis (red before green before blue on a tie) where half its
// pixels lie below; the upper part is answered.
Box split(const Histogram& histogram, Box& box) {
  int axis = 0;
  for (int a = 1; a < 3; ++a)
    if (box.upper[a] - box.lower[a] > box.upper[axis] - box.lower[axis]) axis = a;
  const std::vector<int64_t> planes = planeCounts(histogram, box, axis);
  // The lower part keeps the planes up to the median one; the upper part keeps at least one.
  const int32_t median = medianPlane(planes, box.lower[axis], (box.count + 1) / 2);
  const int32_t cut = std::min(median + 1, box.upper[axis] - 1);
  Box upper = box;
  upper.lower[axis] = cut;
  box.upper[axis] = cut;
  box.count = boxCount(histogram, box);
  upper.count = boxCount(histogram, upper);
  return upper;
}

int32_t expand(int32_t v) {
  return v * 8 + v / 4;
}

PaletteColour entryOf(const Histogram& histogram, const Box& box) {
  int32_t at[3];
  for (int axis = 0; axis < 3; ++axis)
    at[axis] = expand(
        medianPlane(planeCounts(histogram, box, axis), box.lower[axis], (box.count + 1) / 2));
  return colour(at[0], at[1], at[2]);
}

}  // namespace

int32_t greyOf(int32_t red, int32_t green, int32_t blue) {
  return (76 * red + 127) / 255 + (150 * green + 127) / 255 + (29 * blue + 127) / 255;
}

void countPixels(Histogram& histogram, const uint8_t* bgr, int32_t width) {
  for (int32_t x = 0; x < width; ++x, bgr += 3)
    ++histogram[size_t(cubeCell(bgr[2], bgr[1], bgr[0]))];
}

ReducedPalette fixedPalette(int32_t type) {
  ReducedPalette palette;
  switch (type) {
    case 1:
      for (int32_t i = 0; i < 16; ++i)
        palette.entries[size_t(i)] = colour(kSixteen[i][0], kSixteen[i][1], kSixteen[i][2]);
      palette.count = 16;
      break;
    case 2:
      for (int32_t i = 0; i < 216; ++i)
        palette.entries[size_t(i)] = colour((i % 6) * 51, ((i % 36) / 6) * 51, (i / 36) * 51);
      palette.count = 256;  // 216 to 255 stay black
      break;
    case 3:
      for (int32_t i = 0; i < 252; ++i) {
        const int32_t green = i % 42 == 36 ? 255 : ((i % 42) / 6) * 42;
        palette.entries[size_t(i)] = colour((i % 42 % 6) * 51, green, (i / 42) * 51);
      }
      palette.count = 256;  // 252 to 255 stay black
      break;
    default:  // two colours
      palette.entries[0] = colour(255, 255, 255);
      palette.entries[1] = colour(0, 0, 0);
      palette.count = 2;
      break;
  }
  return palette;
}

ReducedPalette medianCutPalette(const Histogram& histogram, int32_t colours) {
  colours = std::clamp(colours, 1, 256);
  std::vector<Box> boxes = initialBoxes(histogram, colours);
  while (int32_t(boxes.size()) < colours) {
    const int32_t chosen = boxToSplit(boxes);
    if (chosen < 0) break;
    Box& box = boxes[size_t(chosen)];
    if (box.sides() <= 3) {
      box.state = 1;
      continue;
    }
    const Box upper = split(histogram, box);
    boxes.push_back(upper);
  }
  std::stable_sort(boxes.begin(), boxes.end(),
                   [](const Box& a, const Box& b) { return a.count > b.count; });
  ReducedPalette palette;
  for (const Box& box : boxes) {
    if (palette.count == colours || box.count == 0) break;
    palette.entries[size_t(palette.count++)] = entryOf(histogram, box);
  }
  return palette;
}

std::vector<uint8_t> buildCube(const ReducedPalette& palette, int32_t usable) {
  usable = std::clamp(std::min(usable, palette.count), 1, 256);
  std::vector<uint8_t> cube(size_t(kCubeCells), 0);
  for (int32_t r = 0; r < kCubeSide; ++r)
    for (int32_t g = 0; g < kCubeSide; ++g)
      for (int32_t b = 0; b < kCubeSide; ++b) {
        int32_t best = 0, bestDistance = INT_MAX;
        for (int32_t i = 0; i < usable && bestDistance != 0; ++i) {
          const PaletteColour& e = palette.entries[size_t(i)];
          const int32_t dr = r * 8 - e.red, dg = g * 8 - e.green, db = b * 8 - e.blue;
          const int32_t distance = dr * dr + dg * dg + db * db;
          if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
          }
        }
        cube[size_t(r * 1024 + g * 32 + b)] = uint8_t(best);
      }
  return cube;
}

}  // namespace tessaly::engine
