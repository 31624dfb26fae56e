// A small random generator whose every draw is the same on every platform and standard library
// (the standard distributions are not), so that a seed names one exact set of scans or pages.
#pragma once

#include <cstdint>

namespace tessaly::cli {

class Random {
 public:
  explicit Random(uint64_t seed, uint64_t stream = 0);

  uint64_t next();
  // Uniform in [0, 1).
  double unit();
  // Uniform in [low, high).
  double uniform(double low, double high);
  // Uniform in [-limit, limit).
  double symmetric(double limit) { return uniform(-limit, limit); }
  // An integer in [0, count); count must be positive.
  uint32_t below(uint32_t count);
  // A bell-shaped value of mean 0 and standard deviation 1: the scaled sum of four uniforms,
  // cheap enough for a noise value per pixel and channel.
  double bell();

 private:
  uint64_t state_[4];
};

}  // namespace tessaly::cli
