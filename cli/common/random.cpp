#include "random.h"

#include <cmath>

namespace tessaly::cli {
namespace {

uint64_t splitMix(uint64_t& x) {
  uint64_t z = (x += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

uint64_t rotl(uint64_t x, int k) {
  return (x << k) | (x >> (64 - k));
}

}  // namespace

Random::Random(uint64_t seed, uint64_t stream) {
  uint64_t x = seed ^ (stream * 0xd1b54a32d192ed03ull);
  for (uint64_t& word : state_) word = splitMix(x);
}

// xoshiro256**.
uint64_t Random::next() {
  const uint64_t result = rotl(state_[1] * 5, 7) * 9;
  const uint64_t t = state_[1] << 17;
  state_[2] ^= state_[0];
  state_[3] ^= state_[1];
  state_[1] ^= state_[2];
  state_[0] ^= state_[3];
  state_[2] ^= t;
  state_[3] = rotl(state_[3], 45);
  return result;
}

double Random::unit() {
  return double(next() >> 11) * 0x1.0p-53;
}

double Random::uniform(double low, double high) {
  return low + (high - low) * unit();
}

uint32_t Random::below(uint32_t count) {
  return uint32_t((next() >> 32) * count >> 32);
}

double Random::bell() {
  // Four 16-bit uniforms: their sum has mean 2 and variance 4 / 12.
  const uint64_t bits = next();
  double sum = 0;
  for (int k = 0; k < 4; ++k) sum += double((bits >> (16 * k)) & 0xffff) / 65536.0;
  static const double scale = 1.0 / std::sqrt(4.0 / 12.0);
  return (sum - 2.0) * scale;
}

}  // namespace tessaly::cli
