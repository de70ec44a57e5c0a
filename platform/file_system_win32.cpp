#include "platform/file_system_win32.h"

#include <windows.h>

#include <algorithm>

#include "platform/file_system.h"
#include "platform/wide_paths_win32.h"

namespace {

class Win32MediaFile : public MediaFile {
 public:
  Win32MediaFile(HANDLE file, int64_t size) : file_(file), size_(size) {}
  ~Win32MediaFile() override { CloseHandle(file_); }

  int64_t Read(void* buffer, int64_t size) override {
    // ReadFile takes at most 4 GiB - 1 at a time; decoders ask for far less.
    DWORD wanted = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(size < 0 ? 0 : size);
    DWORD read = 0;
    if (!ReadFile(file_, buffer, wanted, &read, nullptr)) return -1;
    return read;
  }
  bool Seek(int64_t offset) override {
    if (offset < 0) return false;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return SetFilePointerEx(file_, distance, nullptr, FILE_BEGIN) != 0;
  }
  int64_t Tell() override {
    LARGE_INTEGER zero, position;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(file_, zero, &position, FILE_CURRENT)) return -1;
    return position.QuadPart;
  }
  int64_t Size() override { return size_; }

 private:
  HANDLE file_;
  int64_t size_;
};

HANDLE OpenForReading(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE file, const std::string& contents) {
  size_t done = 0;
  while (done < contents.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(contents.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, contents.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

std::string ListedName(const WIN32_FIND_DATAW& found) {
  std::string name;
  if (SpellListedName(reinterpret_cast<const char16_t*>(found.cFileName),
                      reinterpret_cast<const char16_t*>(found.cAlternateFileName), &name))
    return name;
  return NarrowLossy(reinterpret_cast<const char16_t*>(found.cFileName));
}

class Win32FileSystem : public FileSystem {
 public:
  bool ReadWholeFile(const std::string& path, std::string* contents) override {
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    contents->clear();
    char buffer[65536];
    bool ok = true;
    for (;;) {
      DWORD read = 0;
      if (!ReadFile(file, buffer, sizeof buffer, &read, nullptr)) {
        ok = false;
        break;
      }
      if (read == 0) break;
      contents->append(buffer, read);
    }
    CloseHandle(file);
    return ok;
  }

  bool WriteFileAtomically(const std::string& path, const std::string& contents) override {
    std::string temporary = path + ".tmp";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool written = WriteAll(file, contents) && FlushFileBuffers(file);
    CloseHandle(file);
    if (!written || !MoveFileExA(temporary.c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      DeleteFileA(temporary.c_str());
      return false;
    }
    return true;
  }

  bool RemoveFile(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }

  bool ListFolder(const std::string& pattern, std::vector<std::string>* names) override {
    // Listed wide: the narrow listing gives a best-fit name that opens no file where the code
    // page cannot spell one; such a name is listed by its alias.
    WIN32_FIND_DATAW found;
    std::u16string widePattern = WidenAnsi(pattern);
    HANDLE search = FindFirstFileW(reinterpret_cast<const WCHAR*>(widePattern.c_str()), &found);
    // Also when nothing at all matches (an empty drive root, which lacks "." and ".."): a
    // listing that never started must not empty the playlist.
    if (search == INVALID_HANDLE_VALUE) return false;
    names->clear();
    do {
      names->push_back(ListedName(found));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
  }

  std::unique_ptr<MediaFile> OpenMediaFile(const std::string& path) override {
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !GetFileSizeEx(file, &size)) {
      CloseHandle(file);
      return nullptr;
    }
    return std::make_unique<Win32MediaFile>(file, size.QuadPart);
  }
};

}  // namespace

std::unique_ptr<FileSystem> CreateWin32FileSystem() {
  return std::make_unique<Win32FileSystem>();
}
