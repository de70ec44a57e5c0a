// A media file read through a buffer: libmpg123 reads each frame's header and body apart, which
// through the file's own reads costs two system calls a frame (the exact-length scan of a
// five-minute MP3, 23,000 of them, delayed its first sound by about 90 ms).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/file_system.h"

class ReadAheadFile : public MediaFile {
 public:
  // file stays the caller's and must outlive this.
  explicit ReadAheadFile(MediaFile& file);

  int64_t Read(void* buffer, int64_t size) override;
  // A position inside what was read ahead moves within the buffer, without a call to the file.
  bool Seek(int64_t offset) override;
  int64_t Tell() override { return start_ + static_cast<int64_t>(next_); }
  int64_t Size() override { return file_.Size(); }

 private:
  MediaFile& file_;
  std::vector<unsigned char> buffer_;
  // The file's position of buffer_[0]; the file itself stands at start_ + filled_.
  int64_t start_;
  size_t filled_ = 0;
  size_t next_ = 0;
};
