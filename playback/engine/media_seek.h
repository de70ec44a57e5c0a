// The seek that libsndfile, libmpg123 and libopenmpt each ask of their input, over a media file.
#pragma once

#include <cstdint>

class MediaFile;

// Moves to offset from whence (SEEK_SET, SEEK_CUR or SEEK_END, whose values the three libraries
// share) and returns the new position, or -1 when it is before the start or cannot be reached.
int64_t SeekMediaFile(MediaFile& file, int64_t offset, int whence);
