// Reading a track's tags and picture with TagLib, and a tracker module's own title and artist
// with libopenmpt, through the POSIX file system of the Winelib program's Linux side.
#pragma once

#include <string>

#include "platform/track_tags.h"

class FileSystem;

// Makes TagLib read the single-byte texts of ID3 tags as SingleByteTagText does. Once, before
// the first read.
void ReadSingleByteTagsInCodePage();

// The tags of the file at unixPath; its embedded front cover stored into coverFolder, else a
// cover picture beside it, as artUrl. Empty tags when the file cannot be read or has none.
TrackTags ReadTrackTags(FileSystem& files, const std::string& unixPath,
                        const std::string& coverFolder);
