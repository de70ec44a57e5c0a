// Seconds as the tray tooltip shows them.
#pragma once

#include <cstdint>
#include <string>

// MM:SS, minutes with at least two digits and never rolled over into hours: 6000 gives 100:00.
std::string FormatTime(uint32_t seconds);
