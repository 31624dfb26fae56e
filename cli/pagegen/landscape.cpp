#include "landscape.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "random.h"

namespace tessaly::cli {
namespace {

struct Rgb {
  double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scaled(Rgb c, double k) {
  return {c.r * k, c.g * k, c.b * k};
}

// Smooth value noise on a lattice, its values fixed by the seed.
class Noise {
 public:
  explicit Noise(uint64_t seed) : seed_(seed) {}

  double at(double x, double y) const {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = int64_t(fx), iy = int64_t(fy);
    const double tx = smooth(x - fx), ty = smooth(y - fy);
    const double top = lattice(ix, iy) + (lattice(ix + 1, iy) - lattice(ix, iy)) * tx;
    const double bottom =
        lattice(ix, iy + 1) + (lattice(ix + 1, iy + 1) - lattice(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
  }

  // Fractal sum of `octaves` layers, each twice as fine and half as strong; about 0 ... 1.
  double fractal(double x, double y, int octaves) const {
    double sum = 0, weight = 0.5, total = 0;
    for (int k = 0; k < octaves; ++k) {
      sum += weight * at(x, y + 17.0 * k);
      total += weight;
      x *= 2;
      y *= 2;
      weight *= 0.5;
    }
    return sum / total;
  }

 private:
  static double smooth(double t) { return t * t * (3 - 2 * t); }

  double lattice(int64_t x, int64_t y) const {
    uint64_t h =
        seed_ ^ (uint64_t(x) * 0x9e3779b97f4a7c15ull) ^ (uint64_t(y) * 0xc2b2ae3d27d4eb4full);
    h = (h ^ (h >> 31)) * 0xbf58476d1ce4e5b9ull;
    h = (h ^ (h >> 29)) * 0x94d049bb133111ebull;
    return double((h ^ (h >> 32)) & 0xffffff) / double(0x1000000);
  }

  uint64_t seed_;
};

struct Tree {
  double x, baseY, radius;
};

struct Scene {
  int32_t width, height;
  double horizon;    // rows from the top where the water begins
  double shoreline;  // rows from the top where the meadow begins
  double sunX, sunY, sunRadius;
  std::vector<double> mountains;  // ridge row per column
  std::vector<double> hills;
  std::vector<Tree> trees;
  Noise noise;
};

Rgb skyAt(const Scene& s, double x, double y) {
  const double t = std::clamp(y / s.horizon, 0.0, 1.0);
  Rgb sky = mix({58, 105, 185}, {205, 222, 240}, std::pow(t, 0.8));
  const double d = std::hypot(x - s.sunX, y - s.sunY) / s.sunRadius;
  if (d < 1) return {255, 250, 225};
  sky = mix(sky, {255, 240, 200}, 0.6 * std::exp(-(d - 1) * 0.6));
  const double cloud = s.noise.fractal(x / (s.width * 0.18), y / (s.height * 0.07), 5);
  const double cover = std::clamp((cloud - 0.52) * 4, 0.0, 1.0) * (1 - 0.6 * t);
  return mix(sky, scaled({250, 250, 252}, 0.92 + 0.08 * cloud), cover);
}

Rgb landAt(const Scene& s, int32_t x, double y) {
  const double grain = s.noise.fractal(x / 6.0, y / 6.0, 3);
  if (y < s.hills[size_t(x)]) {
    const double depth = (y - s.mountains[size_t(x)]) / (s.horizon - s.mountains[size_t(x)] + 1);
    const Rgb rock = mix({112, 128, 160}, {150, 162, 185}, depth);
    return scaled(rock, 0.9 + 0.2 * grain);
  }
  const double shade = s.noise.fractal(x / 25.0, y / 12.0, 4);
  return scaled(mix({52, 96, 48}, {96, 132, 64}, shade), 0.85 + 0.3 * grain);
}

Rgb waterAt(const Scene& s, int32_t x, double y) {
  const double ripple = s.noise.fractal(x / (s.width * 0.3), y / 2.5, 4);
  const double mirrored = std::clamp(2 * s.horizon - y + (ripple - 0.5) * 6, 0.0, s.horizon - 1);
  const Rgb reflected =
      mirrored < s.mountains[size_t(x)] ? skyAt(s, x, mirrored) : landAt(s, x, mirrored);
  return mix(scaled(reflected, 0.78), {40, 70, 95}, 0.25 + 0.2 * ripple);
}

Rgb meadowAt(const Scene& s, int32_t x, double y) {
  const double t = (y - s.shoreline) / (s.height - s.shoreline);
  const double grass = s.noise.fractal(x / 3.0, y / 9.0, 3);
  const double patch = s.noise.fractal(x / (s.width * 0.2), y / (s.height * 0.1), 3);
  const Rgb base = mix({120, 150, 70}, {70, 110, 40}, t);
  return scaled(mix(base, {170, 160, 80}, 0.5 * patch), 0.75 + 0.5 * grass);
}

bool inTree(const Scene& s, double x, double y, Rgb& colour) {
  for (const Tree& tree : s.trees) {
    const double dx = (x - tree.x) / tree.radius,
                 dy = (y - (tree.baseY - 1.6 * tree.radius)) / (1.5 * tree.radius);
    if (dx * dx + dy * dy < 1) {
      const double light = 0.6 + 0.5 * s.noise.fractal(x / 4.0, y / 4.0, 3) - 0.25 * dx;
      colour = scaled({34, 70, 36}, light);
      return true;
    }
    if (std::abs(x - tree.x) < tree.radius * 0.12 && y > tree.baseY - 0.6 * tree.radius &&
        y < tree.baseY) {
      colour = {70, 50, 35};
      return true;
    }
  }
  return false;
}

Scene makeScene(int32_t width, int32_t height, uint64_t seed) {
  Random random(seed, 7);
  Scene s{width, height, height * random.uniform(0.5, 0.58), 0, 0, 0, 0, {}, {}, {}, Noise(seed)};
  s.shoreline = s.horizon + height * random.uniform(0.16, 0.22);
  s.sunX = width * random.uniform(0.6, 0.85);
  s.sunY = s.horizon * random.uniform(0.2, 0.4);
  s.sunRadius = std::max(3.0, width * 0.035);
  const Noise ridge(seed + 1);
  s.mountains.resize(size_t(width));
  s.hills.resize(size_t(width));
  for (int32_t x = 0; x < width; ++x) {
    const double u = double(x) / width;
    s.mountains[size_t(x)] = s.horizon - height * (0.08 + 0.3 * ridge.fractal(u * 4, 0.5, 6));
    s.hills[size_t(x)] = s.horizon - height * (0.02 + 0.1 * ridge.fractal(u * 7, 3.5, 5));
  }
  const int trees = 3 + int(random.below(4));
  for (int k = 0; k < trees; ++k)
    s.trees.push_back({width * random.uniform(0.05, 0.95),
                       s.shoreline + (height - s.shoreline) * random.uniform(0.3, 0.9),
                       height * random.uniform(0.05, 0.09)});
  return s;
}

uint8_t toByte(double v) {
  return uint8_t(std::clamp(std::lround(v), 0L, 255L));
}

}  // namespace

void paintLandscape(BgrImage& canvas, int32_t x0, int32_t y0, int32_t width, int32_t height,
                    uint64_t seed) {
  if (width < 4 || height < 4) return;
  const Scene s = makeScene(width, height, seed);
  for (int32_t y = 0; y < height; ++y) {
    if (y0 + y < 0 || y0 + y >= canvas.height) continue;
    for (int32_t x = 0; x < width; ++x) {
      if (x0 + x < 0 || x0 + x >= canvas.width) continue;
      Rgb c{};
      if (!inTree(s, x, y, c)) {
        if (y < s.mountains[size_t(x)])
          c = skyAt(s, x, y);
        else if (y < s.horizon)
          c = landAt(s, x, y);
        else if (y < s.shoreline)
          c = waterAt(s, x, y);
        else
          c = meadowAt(s, x, y);
      }
      uint8_t* p = canvas.pixel(x0 + x, y0 + y);
      p[0] = toByte(c.b);
      p[1] = toByte(c.g);
      p[2] = toByte(c.r);
    }
  }
}

}  // namespace tessaly::cli
