// The player: the one open channel with the Volume and Mute settings applied to it.
#pragma once

#include <cstdint>
#include <string>

class SettingsSaver;

bool LoadAndPlay(const std::string& path);
void PlayCurrent();
void TogglePause();
void StopPlayback();
// The volume steps and SetVolume write the settings through saver.
void VolumeUp(SettingsSaver& saver);
void VolumeDown(SettingsSaver& saver);
// Sets Volume to volume clamped to 0..100 and turns Mute off, applied and saved as a volume step
// is. For the desktop's media controls, whose volume is what is heard.
void SetVolume(int32_t volume, SettingsSaver& saver);
void ToggleMute();
