// The texts and icons the playback monitor shows in the tray.
#pragma once

#include <cstdint>
#include <string>

#include "resources/resource_ids.h"

// The name of the file after the last backslash (the last slash where there is none; only the
// last slash in a path that starts with one), less its last extension; "" without a separator.
std::string TrackTitle(const std::string& path);

// The level icon (IDI_LEVEL_100 .. IDI_LEVEL_0) for a playing, unmuted channel; -1 when volume lies
// outside 0..100 (the tray is then left as it is).
int VolumeIconId(int32_t volume);

// header + title + " - " + position + "/" + length + " ", kept within the tray's 127 bytes by
// shortening the title first, so the times stay visible.
std::string PlayingTooltip(const std::string& header, const std::string& title,
                           const std::string& position, const std::string& length);
// The same in UTF-16, for a title the code page cannot spell: 127 UTF-16 units, never a
// surrogate pair cut in two.
std::u16string PlayingTooltip(const std::u16string& header, const std::u16string& title,
                              const std::u16string& position, const std::u16string& length);
