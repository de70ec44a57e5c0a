#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

class PosixMediaFile : public MediaFile {
 public:
  PosixMediaFile(int fd, int64_t size) : fd_(fd), size_(size) {}
  ~PosixMediaFile() override { close(fd_); }

  int64_t Read(void* buffer, int64_t size) override {
    for (;;) {
      ssize_t n = read(fd_, buffer, static_cast<size_t>(size));
      if (n >= 0) return n;
      if (errno != EINTR) return -1;
    }
  }
  bool Seek(int64_t offset) override { return lseek(fd_, offset, SEEK_SET) == offset; }
  int64_t Tell() override { return lseek(fd_, 0, SEEK_CUR); }
  int64_t Size() override { return size_; }

 private:
  int fd_;
  int64_t size_;
};

bool WriteAll(int fd, const std::string& contents) {
  size_t done = 0;
  while (done < contents.size()) {
    ssize_t n = write(fd, contents.data() + done, contents.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// The rename itself lives in the folder: without this a power cut right after a save can bring
// back the old file. The save has succeeded either way, so a failure here is not reported.
void SyncFolderOf(const std::string& path) {
  size_t cut = path.rfind('/');
  std::string folder = cut == std::string::npos ? std::string(".")
                       : cut == 0               ? std::string("/")
                                                : path.substr(0, cut);
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

class PosixFileSystem : public FileSystem {
 public:
  bool ReadWholeFile(const std::string& path, std::string* contents) override {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      close(fd);
      return false;
    }
    contents->clear();
    char buffer[65536];
    for (;;) {
      ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        close(fd);
        return false;
      }
      if (n == 0) break;
      contents->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return true;
  }

  bool WriteFileAtomically(const std::string& path, const std::string& contents) override {
    std::string temporary = path + ".tmp";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool written = WriteAll(fd, contents) && fsync(fd) == 0;
    if (close(fd) != 0) written = false;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
      unlink(temporary.c_str());
      return false;
    }
    SyncFolderOf(path);
    return true;
  }

  bool RemoveFile(const std::string& path) override { return unlink(path.c_str()) == 0; }

  bool ListFolder(const std::string& pattern, std::vector<std::string>* names) override {
    size_t cut = pattern.find_last_of("/\\");
    std::string folder = cut == std::string::npos ? std::string(".")
                         : cut == 0               ? std::string("/")
                                                  : pattern.substr(0, cut);
    std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    // "*.*" matches every name on Windows, also names without a dot.
    bool everything = mask == "*.*" || mask == "*";
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    names->clear();
    while (struct dirent* entry = readdir(dir)) {
      if (everything || fnmatch(mask.c_str(), entry->d_name, 0) == 0)
        names->push_back(entry->d_name);
    }
    closedir(dir);
    return true;
  }

  std::unique_ptr<MediaFile> OpenMediaFile(const std::string& path) override {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      close(fd);
      return nullptr;
    }
    return std::make_unique<PosixMediaFile>(fd, static_cast<int64_t>(info.st_size));
  }
};

}  // namespace

std::unique_ptr<FileSystem> CreatePosixFileSystem() {
  return std::make_unique<PosixFileSystem>();
}
