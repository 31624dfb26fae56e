// Colour reduction: the fixed palettes, the lookup cube against a plain nearest-entry search,
// median cut on pictures of exactly 2, 16, 256 and 257 colours, and the dithering methods.
#include "colour_reduce.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine_fixture.h"

namespace tessaly::engine::test {
namespace {

using Colour = std::array<uint8_t, 3>;  // red, green, blue

// The nearest entry to the cell's corner, lower index on a tie: the reference the cube must
// agree with.
int32_t nearestEntry(const std::vector<Colour>& palette, int32_t r, int32_t g, int32_t b) {
  int32_t best = 0, bestDistance = INT_MAX;
  for (size_t i = 0; i < palette.size(); ++i) {
    const int32_t dr = r * 8 - palette[i][0], dg = g * 8 - palette[i][1],
                  db = b * 8 - palette[i][2];
    const int32_t d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      best = int32_t(i);
      bestDistance = d;
    }
  }
  return best;
}

std::vector<Colour> coloursOf(const ReducedPalette& p) {
  std::vector<Colour> out;
  for (int32_t i = 0; i < p.count; ++i)
    out.push_back(
        {p.entries[size_t(i)].red, p.entries[size_t(i)].green, p.entries[size_t(i)].blue});
  return out;
}

std::vector<Colour> paletteOfPicture(zanHandle picture) {
  zan::HeapLock<uint8_t> block(0, zanHandle(pictureValue(picture, ZAN_PICT_PALETTE)));
  std::vector<Colour> out;
  if (!block) return out;
  for (size_t i = 0; i < block.count() / 4; ++i)
    out.push_back({block[4 * i + 2], block[4 * i + 1], block[4 * i]});
  return out;
}

// A 24-bit picture whose pixel (x, y) has colours[(y * width + x) % size].
zanHandle pictureOf(int32_t width, int32_t height, const std::vector<Colour>& colours) {
  Image image = blankImage(width, height, 24);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const Colour& c = colours[size_t(y * width + x) % colours.size()];
      uint8_t* p = image.row(y) + 3 * x;
      p[0] = c[2];
      p[1] = c[1];
      p[2] = c[0];
    }
  const zanHandle picture = newPicture();
  const zanHandle layer = newLayer(0, 0, width, height);
  EXPECT_EQ(zanSetLayerBits(image.bytes.data(), layer, 0, 0, width, height, image.stride, 0),
            ZAN_OK);
  insert(picture, layer, 1);
  setPictureValue(picture, ZAN_PICT_WIDTH, width);
  setPictureValue(picture, ZAN_PICT_HEIGHT, height);
  return picture;
}

Image indicesOf(zanHandle reduced, int32_t width, int32_t height) {
  const zanHandle layer = zanGetLayer(reduced, 1, nullptr);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_BPP), 8);
  return readLayer(layer, RECT{0, 0, width, height}, 8);
}

// Colours in distinct cube cells whose values are what median cut makes of a lone cell
// (v x 8 + v / 4), so a palette that gives each its own entry reproduces them exactly.
std::vector<Colour> exactColours(int32_t count) {
  std::vector<Colour> out;
  for (int32_t i = 0; int32_t(out.size()) < count; ++i) {
    const int32_t r = (i * 7) % 32, g = (i * 13 + i / 32) % 32, b = (i * 3 + i / 7) % 32;
    const Colour c{uint8_t(r * 8 + r / 4), uint8_t(g * 8 + g / 4), uint8_t(b * 8 + b / 4)};
    bool seen = false;
    for (const Colour& o : out)
      seen = seen || ((o[0] >> 3) == (c[0] >> 3) && (o[1] >> 3) == (c[1] >> 3) &&
                      (o[2] >> 3) == (c[2] >> 3));
    if (!seen) out.push_back(c);
  }
  return out;
}

class ColourReduceTest : public EngineTest {};

TEST_F(ColourReduceTest, FixedPalettesHoldTheirColours) {
  const ReducedPalette cube = fixedPalette(ZAN_PALETTE_216);
  EXPECT_EQ(coloursOf(cube)[215], (Colour{255, 255, 255}));
  EXPECT_EQ(coloursOf(cube)[216], (Colour{0, 0, 0}));
  EXPECT_EQ(coloursOf(cube)[1], (Colour{51, 0, 0}));
  EXPECT_EQ(coloursOf(cube)[36], (Colour{0, 0, 51}));
  const ReducedPalette web = fixedPalette(ZAN_PALETTE_252);
  EXPECT_EQ(coloursOf(web)[36][1], 255);
  EXPECT_EQ(coloursOf(web)[37][1], 252);
  EXPECT_EQ(coloursOf(web)[252], (Colour{0, 0, 0}));
  const ReducedPalette sixteen = fixedPalette(ZAN_PALETTE_16);
  ASSERT_EQ(sixteen.count, 16);
  EXPECT_EQ(coloursOf(sixteen)[8], (Colour{192, 192, 192}));
  const ReducedPalette two = fixedPalette(ZAN_PALETTE_TWO);
  ASSERT_EQ(two.count, 2);
  EXPECT_EQ(coloursOf(two)[0], (Colour{255, 255, 255}));
}

TEST_F(ColourReduceTest, CubeAgreesWithAPlainNearestSearch) {
  ReducedPalette random;
  uint32_t state = 7;
  for (int32_t i = 0; i < 100; ++i) {
    state = state * 1664525u + 1013904223u;
    // Every tenth entry repeats an earlier one: ties must go to the lower index.
    const uint32_t v = i % 10 == 9 ? 0 : state;
    random.entries[size_t(i)] =
        i % 10 == 9 ? random.entries[size_t(i - 5)]
                    : PaletteColour{uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24), 0};
  }
  random.count = 100;
  for (const ReducedPalette& p : {fixedPalette(1), fixedPalette(2), fixedPalette(3), random}) {
    const std::vector<uint8_t> cube = buildCube(p, p.count);
    const std::vector<Colour> colours = coloursOf(p);
    for (int32_t r = 0; r < 32; ++r)
      for (int32_t g = 0; g < 32; ++g)
        for (int32_t b = 0; b < 32; ++b)
          ASSERT_EQ(cube[size_t(cubeCell(r * 8, g * 8, b * 8))], nearestEntry(colours, r, g, b))
              << r << " " << g << " " << b;
  }
  const std::vector<uint8_t> sixteen = buildCube(fixedPalette(1), 16);
  EXPECT_EQ(sixteen[0], 0);
  EXPECT_EQ(sixteen[size_t(cubeCell(248, 248, 248))], 15);
}

TEST_F(ColourReduceTest, AdaptivePaletteOnExactColourCounts) {
  for (int32_t count : {2, 16, 256, 257}) {
    SCOPED_TRACE(count);
    const std::vector<Colour> colours = exactColours(count);
    const int32_t width = 37, height = (count + width - 1) / width + 9;
    const zanHandle picture = pictureOf(width, height, colours);
    const zanHandle reduced = reduceColours(picture, 8, ZAN_PALETTE_ADAPTIVE, ZAN_DITHER_NONE);
    EXPECT_EQ(pictureValue(reduced, ZAN_PICT_BPP), 8);
    const std::vector<Colour> palette = paletteOfPicture(reduced);
    ASSERT_GE(palette.size(), 1u);
    ASSERT_LE(palette.size(), 256u);
    if (count <= 16) {
      EXPECT_EQ(palette.size(), size_t(count));
    }
    const Image indices = indicesOf(reduced, width, height);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        const Colour& c = colours[size_t(y * width + x) % colours.size()];
        const uint8_t index = indices.row(y)[x];
        ASSERT_LT(index, palette.size());
        ASSERT_EQ(index, nearestEntry(palette, c[0] >> 3, c[1] >> 3, c[2] >> 3));
        if (count <= 16) {
          ASSERT_EQ(palette[index], c);  // every colour kept exactly
        }
      }
    zanDestroyPicture(reduced);
    zanDestroyPicture(picture);
  }
}

TEST_F(ColourReduceTest, AdaptivePaletteStopsWhenNothingCanBeSplit) {
  Histogram histogram(size_t(kCubeCells), 0);
  histogram[size_t(cubeCell(0, 0, 0))] = 500;
  histogram[size_t(cubeCell(255, 255, 255))] = 20;
  const ReducedPalette palette = medianCutPalette(histogram, 8);
  ASSERT_EQ(palette.count, 2);
  EXPECT_EQ(coloursOf(palette)[0], (Colour{0, 0, 0}));  // the larger box first
  EXPECT_EQ(coloursOf(palette)[1], (Colour{255, 255, 255}));
}

TEST_F(ColourReduceTest, FixedPalettesNeverPassTheDepth) {
  const zanHandle picture = pictureOf(45, 19, exactColours(300));
  for (int32_t type : {ZAN_PALETTE_16, ZAN_PALETTE_216, ZAN_PALETTE_252})
    for (int32_t bits = 1; bits <= 7; ++bits)
      for (int32_t dither : {ZAN_DITHER_NONE, ZAN_DITHER_ORDERED, ZAN_DITHER_DIFFUSION}) {
        SCOPED_TRACE(testing::Message()
                     << "type " << type << " bits " << bits << " dither " << dither);
        const zanHandle reduced = reduceColours(picture, bits, type, dither);
        EXPECT_LE(paletteOfPicture(reduced).size(), size_t(1) << bits);
        const Image indices = indicesOf(reduced, 45, 19);
        for (int32_t y = 0; y < 19; ++y)
          for (int32_t x = 0; x < 45; ++x) ASSERT_LT(indices.row(y)[x], 1 << bits);
        zanDestroyPicture(reduced);
      }
  zanDestroyPicture(picture);
}

double meanGreyOf(zanHandle reduced, int32_t width, int32_t height) {
  const std::vector<Colour> palette = paletteOfPicture(reduced);
  const Image indices = indicesOf(reduced, width, height);
  double sum = 0;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) sum += palette[indices.row(y)[x]][1];
  return sum / (double(width) * height);
}

// Grey 120 lies between the 216-colour cube's 102 and 153: the plain lookup gives 102
// everywhere, diffusion mixes both; the two-colour methods mix black and white. The picture
// spans several bands, so errors must carry across band borders.
TEST_F(ColourReduceTest, DiffusionKeepsTheAverageWhereThePlainLookupCannot) {
  const zanHandle picture = pictureOf(64, 40, {Colour{120, 120, 120}});
  const zanHandle plain = reduceColours(picture, 8, ZAN_PALETTE_216, ZAN_DITHER_NONE);
  EXPECT_EQ(meanGreyOf(plain, 64, 40), 102.0);
  for (int32_t dither : {ZAN_DITHER_DIFFUSION, ZAN_DITHER_DIFFUSION_TWO, ZAN_DITHER_DOTS_TWO}) {
    SCOPED_TRACE(dither);
    const bool two = dither != ZAN_DITHER_DIFFUSION;
    const zanHandle reduced =
        reduceColours(picture, two ? 1 : 8, two ? ZAN_PALETTE_TWO : ZAN_PALETTE_216, dither);
    // Dot diffusion loses the errors of each block's last positions: it only comes near.
    const double tolerance = dither == ZAN_DITHER_DOTS_TWO ? 20.0 : (two ? 10.0 : 4.0);
    EXPECT_NEAR(meanGreyOf(reduced, 64, 40), 120.0, tolerance);
    zanDestroyPicture(reduced);
  }
  zanDestroyPicture(plain);
  zanDestroyPicture(picture);
}

TEST_F(ColourReduceTest, TwoColourMethods) {
  const zanHandle grey = pictureOf(13, 11, {Colour{128, 128, 128}});
  // Ordered: black exactly where the Bayer value is at least 33.
  const zanHandle ordered = reduceColours(grey, 1, ZAN_PALETTE_TWO, ZAN_DITHER_ORDERED_TWO);
  const std::vector<Colour> two = paletteOfPicture(ordered);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0], (Colour{255, 255, 255}));
  constexpr uint8_t kBayer[8][8] = {
      {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
      {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
      {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
      {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
  const Image indices = indicesOf(ordered, 13, 11);
  for (int32_t y = 0; y < 11; ++y)
    for (int32_t x = 0; x < 13; ++x)
      ASSERT_EQ(indices.row(y)[x], kBayer[y % 8][x % 8] >= 33 ? 1 : 0) << x << " " << y;

  // Without dithering the grey value decides; black and white pictures stay as they are under
  // every method, also in the partial blocks at the edges.
  const zanHandle split = pictureOf(13, 11, {Colour{127, 127, 127}, Colour{128, 128, 128}});
  const zanHandle thresholded = reduceColours(split, 1, ZAN_PALETTE_TWO, ZAN_DITHER_NONE);
  const Image threshold = indicesOf(thresholded, 13, 11);
  zanDestroyPicture(thresholded);
  for (int32_t i = 0; i < 13 * 11; ++i) ASSERT_EQ(threshold.row(i / 13)[i % 13], i % 2 ? 0 : 1);
  for (const Colour& c : {Colour{0, 0, 0}, Colour{255, 255, 255}}) {
    const zanHandle flat = pictureOf(13, 11, {c});
    for (int32_t dither = 3; dither <= 5; ++dither) {
      const zanHandle reduced = reduceColours(flat, 1, ZAN_PALETTE_TWO, dither);
      const Image got = indicesOf(reduced, 13, 11);
      for (int32_t y = 0; y < 11; ++y)
        for (int32_t x = 0; x < 13; ++x) ASSERT_EQ(got.row(y)[x], c[0] == 0 ? 1 : 0);
      zanDestroyPicture(reduced);
    }
    zanDestroyPicture(flat);
  }
  zanDestroyPicture(split);
  zanDestroyPicture(ordered);
  zanDestroyPicture(grey);
}

}  // namespace
}  // namespace tessaly::engine::test
