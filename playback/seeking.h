// Whole-second positions of the player's channel and the two-second rewind.
#pragma once

#include <cstdint>

int32_t PositionSeconds();
int32_t LengthSeconds();
void Rewind(int32_t delta);
