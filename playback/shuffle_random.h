// The generator behind shuffle picks: state = state * 214013 + 2531011 (mod 2^32), returning
// bits 16..30, 0 to 32767. Seeded with 1 at the start of a run, so every run picks the same
// sequence.
#pragma once

#include <cstdint>

class ShuffleRandom {
 public:
  explicit ShuffleRandom(uint32_t seed = 1) : state_(seed) {}
  int Next();

 private:
  uint32_t state_;
};
