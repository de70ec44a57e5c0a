// The idle-time step of the main loop: keeps the tray in line with the playback state and moves
// on at the end of a track by the Repeat and Shuffle rules.
#pragma once

#include <cstdint>
#include <string>

void MonitorTick();
void AdvanceAtEnd();
// The title the tooltip shows for path, in UTF-16: the real name where the program knows the file
// by an alias. "" without the platform's wide paths.
std::u16string TooltipTitle(const std::string& path);
// TrayUpdate with text and the level icon for volume; nothing when volume has no icon.
void VolumeIcon(const std::string& text, int32_t volume);
// For the main loop's idle wait: milliseconds until the next pass is due (0 when it is due now).
int32_t MonitorMsUntilDue();
// While a channel plays: milliseconds until a pass can show something new: the heard position
// reaching its next whole second, or the track the point where the monitor moves on; never
// before the next pass is due. A channel that ends or stalls on its own is told by the engine.
int32_t MonitorMsUntilChange();
// True when the heard position is within one monitor period of the track's end (or past it).
bool ReachedHeardEnd();
// True when the last due pass found the channel stopped or paused. Nothing changes in those states
// without a window message, so the loop may then wait for a message alone.
bool MonitorQuiet();
// Counts the due passes, so the loop can tell whether one has run since it last dispatched.
uint32_t MonitorDuePasses();
// Forgets the tick of the last update, as at the start of a run; used by tests.
void ResetMonitor();
