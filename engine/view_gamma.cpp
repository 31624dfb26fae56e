// Display gamma tables.
#include "view_gamma.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace tessaly::engine {
namespace {

struct GammaState {
  std::mutex mutex;
  std::array<int32_t, 3> values{1000, 1000, 1000};
  std::array<int32_t, 3> builtFor{0, 0, 0};  // no triple yet: the first use builds
  GammaTables tables{};
};

GammaState& state() {
  static GammaState* s = new GammaState;  // process-wide, as long as the process
  return *s;
}

void build(GammaState& s) {
  for (int i = 0; i < 256; ++i) {
    s.tables.red[i] = gammaEntry(s.values[0], i);
    s.tables.green[i] = gammaEntry(s.values[1], i);
    s.tables.blue[i] = gammaEntry(s.values[2], i);
    s.tables.grey[i] = static_cast<uint8_t>(
        (s.tables.red[i] * 76 + s.tables.green[i] * 150 + s.tables.blue[i] * 29) / 255);
  }
  bool identity = true;
  for (int i = 0; i < 256 && identity; ++i)
    identity = s.tables.red[i] == i && s.tables.green[i] == i && s.tables.blue[i] == i;
  s.tables.identity = identity;
  s.builtFor = s.values;
}

}  // namespace

uint8_t gammaEntry(int32_t thousandths, int i) {
  const double gamma = std::clamp(thousandths * 0.001, 0.001, 16.0);
  const double v = std::floor(255.0 * std::pow(i / 255.0, 1.0 / gamma) + 0.5);
  return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
}

int32_t gammaValue(GammaChannel channel) {
  GammaState& s = state();
  std::lock_guard guard(s.mutex);
  return s.values[static_cast<int>(channel)];
}

void setGammaValue(GammaChannel channel, int32_t thousandths) {
  GammaState& s = state();
  std::lock_guard guard(s.mutex);
  s.values[static_cast<int>(channel)] = thousandths;
}

GammaTables gammaTables() {
  GammaState& s = state();
  std::lock_guard guard(s.mutex);
  if (s.builtFor != s.values) build(s);
  return s.tables;
}

void applyGamma(const GammaTables& tables, unsigned char* pixels, int32_t count,
                int32_t bitsPerPixel) {
  if (bitsPerPixel == 24) {
    for (int32_t i = 0; i < count; ++i, pixels += 3) {
      pixels[0] = tables.blue[pixels[0]];
      pixels[1] = tables.green[pixels[1]];
      pixels[2] = tables.red[pixels[2]];
    }
  } else if (bitsPerPixel == 8) {
    for (int32_t i = 0; i < count; ++i) pixels[i] = tables.grey[pixels[i]];
  }
}

}  // namespace tessaly::engine
