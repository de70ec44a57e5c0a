#include <gtest/gtest.h>

#include "playback/shuffle_random.h"

namespace {

TEST(ShuffleRandom, RepeatsTheSameSequenceAfterSeedingWithOne) {
  SeedShuffleRandom(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int value : expected) EXPECT_EQ(NextShuffleRandom(), value);
  SeedShuffleRandom(1);
  EXPECT_EQ(NextShuffleRandom(), 41);
}

}  // namespace
