#include "playback/engine/read_ahead_file.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kReadAheadBytes = 64 * 1024;

}  // namespace

ReadAheadFile::ReadAheadFile(MediaFile& file)
    : file_(file), buffer_(kReadAheadBytes), start_(file.Tell()) {}

int64_t ReadAheadFile::Read(void* buffer, int64_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  int64_t done = 0;
  while (done < size) {
    if (next_ == filled_) {
      start_ += static_cast<int64_t>(filled_);
      filled_ = next_ = 0;
      // A read as large as the buffer goes straight to the file.
      if (size - done >= static_cast<int64_t>(buffer_.size())) {
        int64_t n = file_.Read(out + done, size - done);
        if (n < 0) return done > 0 ? done : -1;
        start_ += n;
        return done + n;
      }
      int64_t n = file_.Read(buffer_.data(), static_cast<int64_t>(buffer_.size()));
      if (n < 0) return done > 0 ? done : -1;
      if (n == 0) break;
      filled_ = static_cast<size_t>(n);
    }
    size_t part = std::min(filled_ - next_, static_cast<size_t>(size - done));
    memcpy(out + done, buffer_.data() + next_, part);
    next_ += part;
    done += static_cast<int64_t>(part);
  }
  return done;
}

bool ReadAheadFile::Seek(int64_t offset) {
  if (offset >= start_ && offset <= start_ + static_cast<int64_t>(filled_)) {
    next_ = static_cast<size_t>(offset - start_);
    return true;
  }
  if (!file_.Seek(offset)) return false;
  start_ = offset;
  filled_ = next_ = 0;
  return true;
}
