// Reading M3U (and M3U8) and PLS playlists into g_app.playlist, as the programs that write them
// lay them out. Neither touches CurrentIndex; a file that cannot be opened changes nothing.
#pragma once

#include <string>

void ReadM3u(const std::string& path);
void ReadPls(const std::string& path);
