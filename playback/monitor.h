// The idle-time step of the main loop: keeps the tray in line with the playback state and moves
// on at the end of a track by the Repeat and Shuffle rules.
#pragma once

#include <cstdint>
#include <string>

void MonitorTick();
void AdvanceAtEnd();
// TrayUpdate with text and the level icon for volume; nothing when volume has no icon.
void VolumeIcon(const std::string& text, int32_t volume);
// Forgets the tick of the last update, as at the start of a run; used by tests.
void ResetMonitor();
