// An in-memory FileSystem for the fuzz targets: files live in a map, so no input touches the disk
// and every run starts from exactly the files it was given.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

class MemoryFileSystem : public FileSystem {
 public:
  bool ReadWholeFile(const std::string& path, std::string* contents) override;
  bool WriteFileAtomically(const std::string& path, const std::string& contents) override;
  bool RemoveFile(const std::string& path) override;
  // Every file whose name starts with the pattern's folder (up to its last '/' or '\\').
  bool ListFolder(const std::string& pattern, std::vector<std::string>* names) override;
  std::unique_ptr<MediaFile> OpenMediaFile(const std::string& path) override;

  std::map<std::string, std::string> files;
};

// A media file read from a copy of bytes, as OpenMediaFile gives one for a stored file.
std::unique_ptr<MediaFile> OpenMemoryMediaFile(std::string bytes);

// Ends the run with a message when a property that must hold for every input does not.
#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : FuzzCheckFailed(#condition, __FILE__, __LINE__))
[[noreturn]] void FuzzCheckFailed(const char* condition, const char* file, int line);
