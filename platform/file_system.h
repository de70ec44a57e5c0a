// Every file access of the program goes through this interface. In the Winelib build the C
// runtime is the Linux one and takes Unix paths, while every path the program handles is a
// Windows path; the program plugs in a Win32 implementation, native tests a POSIX one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A media file opened for reading and seeking; decoders pull from it through callbacks.
class MediaFile {
 public:
  virtual ~MediaFile() = default;
  // Bytes read into buffer, 0 at the end of the file, -1 on an error.
  virtual int64_t Read(void* buffer, int64_t size) = 0;
  // Absolute position; false when it cannot be reached.
  virtual bool Seek(int64_t offset) = 0;
  virtual int64_t Tell() = 0;
  virtual int64_t Size() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The whole file as bytes, unchanged (text-mode translation is the caller's).
  virtual bool ReadWholeFile(const std::string& path, std::string* contents) = 0;
  // Writes a temporary file beside path, flushes it and only then moves it over path, so that a
  // full disk or a crash leaves either the old or the new content, never a truncated file.
  virtual bool WriteFileAtomically(const std::string& path, const std::string& contents) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // The names that a find pattern such as "C:\Music\*.*" yields (with "." and ".." when the
  // system yields them), in the system's order. False when the listing cannot be started.
  virtual bool ListFolder(const std::string& pattern, std::vector<std::string>* names) = 0;
  // Null when the path does not name a readable regular file.
  virtual std::unique_ptr<MediaFile> OpenMediaFile(const std::string& path) = 0;
};

// The POSIX implementation, for native builds and tests. Paths are Unix paths; a pattern's
// folder ends at its last '/' or '\\' and the rest is matched with fnmatch.
std::unique_ptr<FileSystem> CreatePosixFileSystem();
