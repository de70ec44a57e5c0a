#include <gtest/gtest.h>

#include "playback/shuffle_random.h"

namespace {

TEST(ShuffleRandom, RepeatsTheSameSequenceAfterSeedingWithOne) {
  ShuffleRandom random(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int value : expected) EXPECT_EQ(random.Next(), value);
  random = ShuffleRandom(1);
  EXPECT_EQ(random.Next(), 41);
  EXPECT_EQ(ShuffleRandom().Next(), 41) << "seeded with 1 unless told otherwise";
}

}  // namespace
