// "%XY" escapes, as URIs and the playlists of other programs write bytes a line cannot hold.
#pragma once

#include <cstddef>
#include <string>

// The byte the escape at text[at] stands for, or -1 when no whole "%XY" begins there.
int PercentEscapeAt(const std::string& text, size_t at);

// The bytes that "%XY" escapes stand for; every other character, a broken escape included, as
// it is.
std::string PercentDecoded(const std::string& text);
