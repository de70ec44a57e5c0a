// Whole-second positions of the player's channel and the two-second rewind.
#pragma once

#include <cstdint>

int32_t PositionSeconds();
int32_t LengthSeconds();
void Rewind(int32_t delta);
// To the exact position in seconds; a stopped channel then plays, as after Rewind.
void SeekTo(double seconds);
// The same with the channel silenced over the jump, so that the skipped-over audio is not heard
// as a click (the hotkeys' way).
void SilencedRewind(int32_t delta);
void SilencedSeekTo(double seconds);
