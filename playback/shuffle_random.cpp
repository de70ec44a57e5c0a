#include "playback/shuffle_random.h"

namespace {

uint32_t g_shuffleState = 1;

}  // namespace

void SeedShuffleRandom(uint32_t seed) {
  g_shuffleState = seed;
}

int NextShuffleRandom() {
  g_shuffleState = g_shuffleState * 214013u + 2531011u;
  return static_cast<int>((g_shuffleState >> 16) & 0x7FFF);
}
