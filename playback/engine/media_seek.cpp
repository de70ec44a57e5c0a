#include "playback/engine/media_seek.h"

#include <cstdio>

#include "platform/file_system.h"

int64_t SeekMediaFile(MediaFile& file, int64_t offset, int whence) {
  int64_t target = offset;
  if (whence == SEEK_CUR) target += file.Tell();
  if (whence == SEEK_END) target += file.Size();
  return target >= 0 && file.Seek(target) ? target : -1;
}
