#include "verified_scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "text_page.h"

namespace tessaly::stitch::test {

namespace {

using tessaly::stitch::verified::GreyImage;

GreyImage greyOf(const Picture& p, const CutPlan& plan, std::mt19937& rng) {
  GreyImage g;
  g.width = p.width;
  g.height = p.height;
  g.pixels.resize(static_cast<size_t>(p.width) * p.height);
  std::normal_distribution<double> noise(0, std::max(1e-9, plan.noise));
  for (int32_t y = 0; y < p.height; ++y) {
    for (int32_t x = 0; x < p.width; ++x) {
      const uint8_t* px = p.pixel(x, y);
      double v = (px[0] + px[1] + px[2]) / 3.0;
      v = 255.0 * std::pow(std::clamp(v / 255.0, 0.0, 1.0), plan.gamma);
      v = plan.gain * v + plan.offset + (plan.noise > 0 ? noise(rng) : 0.0);
      g.pixels[static_cast<size_t>(y) * p.width + x] =
          static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
  }
  return g;
}

void rotate(double angleDegrees, double x, double y, double& outX, double& outY) {
  const double t = angleDegrees * std::numbers::pi / 180;
  outX = std::cos(t) * x - std::sin(t) * y;
  outY = std::sin(t) * x + std::cos(t) * y;
}

}  // namespace

tessaly::stitch::verified::PieceLevels cutLevels(const Picture& page, const CutPlan& plan,
                                                 uint32_t seed) {
  std::mt19937 rng(seed);
  const Picture upright =
      cutPiece(page, plan.centreX, plan.centreY, plan.width, plan.height, plan.angleDegrees);
  const Picture stored = turnByElementarySteps(upright, (4 - plan.turns) % 4);
  tessaly::stitch::verified::PieceLevels levels;
  levels.workingLevel = 1;
  levels.finer = greyOf(stored, plan, rng);
  levels.working = greyOf(halvedTimes(stored, 1), plan, rng);
  return levels;
}

void trueLanding(const CutPlan& a, const CutPlan& b, double& x, double& y, double& angleDegrees) {
  // b's centre is the page point (b.centreX, b.centreY); in a's full-resolution piece it lies at
  // R(-angle a) (page - centre a) + centre of a's piece.
  double u = 0, v = 0;
  rotate(-a.angleDegrees, b.centreX - a.centreX, b.centreY - a.centreY, u, v);
  x = (u + (a.width - 1) / 2.0) / 2;
  y = (v + (a.height - 1) / 2.0) / 2;
  angleDegrees = b.angleDegrees - a.angleDegrees;
}

void hypothesisLanding(const tessaly::stitch::verified::PairHypothesis& h,
                       const tessaly::stitch::verified::PieceLevels& b, double& x, double& y) {
  const bool odd = (h.quarterTurnsB & 1) != 0;
  // b's centre on the working level: the full-resolution centre halved.
  const double fw = odd ? b.finer.height : b.finer.width;
  const double fh = odd ? b.finer.width : b.finer.height;
  const double cx = (fw - 1) / 4.0, cy = (fh - 1) / 4.0;
  const double c = std::cos(h.bToA.angle), s = std::sin(h.bToA.angle);
  x = c * cx - s * cy + h.bToA.tx;
  y = s * cx + c * cy + h.bToA.ty;
}

Picture makeParagraphPage(int32_t width, int32_t height, uint32_t seed, int32_t glyph) {
  Picture page(width, height);
  fillBox(page, 0, 0, width, height, 245);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> letterWidth(glyph / 3, glyph / 2 + 1), lettersPerWord(1, 8);
  std::uniform_int_distribution<int> ink(20, 80), coin(0, 3), paragraphLines(2, 9);
  std::uniform_real_distribution<double> lastLine(0.2, 0.9);
  const int32_t marginX = width / 20, marginY = height / 30, pitch = glyph * 9 / 5;
  int32_t top = marginY;
  while (top + 2 * glyph < height - marginY) {
    const bool heading = coin(rng) == 0;
    const int lines = heading ? 1 : paragraphLines(rng);
    const int32_t size = heading ? glyph * 3 / 2 : glyph;
    for (int line = 0; line < lines && top + size < height - marginY; ++line) {
      const double share = heading ? 0.4 : (line + 1 == lines ? lastLine(rng) : 1.0);
      const int32_t end = marginX + static_cast<int32_t>((width - 2 * marginX - size) * share);
      int32_t x = marginX + (line == 0 && !heading ? 2 * size : 0);
      while (x < end) {
        const int letters = lettersPerWord(rng);
        for (int i = 0; i < letters && x < end; ++i) {
          const int32_t w = letterWidth(rng) * size / glyph;
          const auto v = static_cast<uint8_t>(ink(rng));
          const int32_t letterTop = top + (coin(rng) == 0 ? 0 : size / 3);
          fillBox(page, x, letterTop, x + w, top + size, v);
          if (coin(rng) != 0)
            fillBox(page, x + w / 3, letterTop + 2, x + w - w / 3, top + size - 2, 245);
          x += w + std::max(2, size / 5);
        }
        x += size;
      }
      top += size * 9 / 5;
    }
    top += pitch;  // paragraph gap
  }
  return page;
}

}  // namespace tessaly::stitch::test
