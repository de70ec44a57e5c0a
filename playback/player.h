// The player: the one open channel with the Volume and Mute settings applied to it.
#pragma once

#include <string>

bool LoadAndPlay(const std::string& path);
void PlayCurrent();
void TogglePause();
void StopPlayback();
void VolumeUp();
void VolumeDown();
void ToggleMute();
