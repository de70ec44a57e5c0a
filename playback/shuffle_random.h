// The generator behind shuffle picks: state = state * 214013 + 2531011 (mod 2^32), returning
// bits 16..30, 0 to 32767. Seeded with 1 at start-up so every run picks the same sequence.
#pragma once

#include <cstdint>

void SeedShuffleRandom(uint32_t seed);
int NextShuffleRandom();
