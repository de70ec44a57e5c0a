// The file types the player opens, from resources/track_formats.txt: the folder scan, the
// open-file filter, OpenPath's choice of playlist reader and the menu entry all read this table.
#pragma once

#include <string>
#include <vector>

struct FileType {
  const char* extension;  // lower case, without the dot
  const char* opens;      // a track's decoder ("sndfile", "ffmpeg", ...) or "m3u" / "pls"
  int filterPlace;        // the pattern's place in the open-file filter, from 1
  const char* pattern;    // the open-file filter's pattern
  const char* mimeTypes;  // ";"-separated
};

const std::vector<FileType>& FileTypes();
// The row of a lower-case extension (LowerExtension), or null.
const FileType* FindFileType(const std::string& lowerExtension);
bool IsPlaylistType(const FileType& type);
// The extensions by which a folder scan takes a file as a track, in the table's order.
std::vector<std::string> TrackExtensions();
// Every pattern joined by ";", in filter order: the open-file dialog's one pair.
std::string FilterPatterns();
// A filter pattern that matches names in any case, as the Windows filter does ("*.mp3" gives
// "*.[mM][pP]3"), for toolkits whose patterns are case-sensitive.
std::string AnyCasePattern(const std::string& pattern);
