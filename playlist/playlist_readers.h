// Reading M3U and PLS playlists into g_app.playlist, by line position as the standard layouts
// put them. Neither touches CurrentIndex; a file that cannot be opened changes nothing.
#pragma once

#include <string>

void ReadM3u(const std::string& path);
void ReadPls(const std::string& path);
