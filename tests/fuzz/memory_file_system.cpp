#include "tests/fuzz/memory_file_system.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class MemoryMediaFile : public MediaFile {
 public:
  explicit MemoryMediaFile(std::string bytes) : bytes_(std::move(bytes)) {}
  int64_t Read(void* buffer, int64_t size) override {
    if (size <= 0) return 0;
    int64_t count = std::min<int64_t>(size, Size() - position_);
    if (count <= 0) return 0;
    std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(count));
    position_ += count;
    return count;
  }
  bool Seek(int64_t offset) override {
    if (offset < 0 || offset > Size()) return false;
    position_ = offset;
    return true;
  }
  int64_t Tell() override { return position_; }
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

 private:
  std::string bytes_;
  int64_t position_ = 0;
};

}  // namespace

std::unique_ptr<MediaFile> OpenMemoryMediaFile(std::string bytes) {
  return std::make_unique<MemoryMediaFile>(std::move(bytes));
}

bool MemoryFileSystem::ReadWholeFile(const std::string& path, std::string* contents) {
  auto found = files.find(path);
  if (found == files.end()) return false;
  *contents = found->second;
  return true;
}

bool MemoryFileSystem::WriteFileAtomically(const std::string& path, const std::string& contents) {
  files[path] = contents;
  return true;
}

bool MemoryFileSystem::RemoveFile(const std::string& path) {
  return files.erase(path) != 0;
}

bool MemoryFileSystem::ListFolder(const std::string& pattern, std::vector<std::string>* names) {
  size_t cut = pattern.find_last_of("/\\");
  std::string folder = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
  names->clear();
  for (const auto& file : files)
    if (file.first.compare(0, folder.size(), folder) == 0)
      names->push_back(file.first.substr(folder.size()));
  return true;
}

std::unique_ptr<MediaFile> MemoryFileSystem::OpenMediaFile(const std::string& path) {
  auto found = files.find(path);
  if (found == files.end()) return nullptr;
  return OpenMemoryMediaFile(found->second);
}

void FuzzCheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, condition);
  std::abort();
}
