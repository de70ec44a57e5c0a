// The player: the one open channel with the Volume and Mute settings applied to it.
#pragma once

#include <cstdint>
#include <string>

bool LoadAndPlay(const std::string& path);
void PlayCurrent();
void TogglePause();
void StopPlayback();
void VolumeUp();
void VolumeDown();
// Sets Volume to volume clamped to 0..100 and turns Mute off, applied and saved as a volume step
// is. For the desktop's media controls, whose volume is what is heard.
void SetVolume(int32_t volume);
void ToggleMute();
