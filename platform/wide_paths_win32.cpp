#include "platform/wide_paths_win32.h"

#include <windows.h>

#include <vector>

namespace {

static_assert(sizeof(WCHAR) == sizeof(char16_t), "UTF-16 on both sides");

const WCHAR* Wide(const std::u16string& text) {
  return reinterpret_cast<const WCHAR*>(text.c_str());
}

std::u16string LastComponent(const std::u16string& path) {
  size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string WinApiString(DWORD(WINAPI* call)(LPCWSTR, LPWSTR, DWORD),
                            const std::u16string& path) {
  std::vector<WCHAR> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD length = call(Wide(path), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return u"";
    if (length < buffer.size())
      return std::u16string(reinterpret_cast<char16_t*>(buffer.data()), length);
    buffer.resize(length + 1);
  }
  return u"";
}

bool ShortAlias(const std::u16string& path, std::string* alias) {
  std::u16string shortPath = WinApiString(GetShortPathNameW, path);
  if (shortPath.empty()) return false;
  std::u16string name = LastComponent(shortPath);
  // A volume without 8.3 names gives the long name back, which the code page cannot spell.
  return !name.empty() && SpellAnsi(name, alias);
}

class Win32Paths : public WidePaths {
 public:
  std::string Narrow(const std::u16string& path) override {
    std::string narrow;
    if (NarrowByComponents(path, SpellAnsi, ShortAlias, &narrow)) return narrow;
    return NarrowLossy(path);
  }

  std::u16string LongName(const std::string& path) override {
    std::u16string name = LastComponent(WinApiString(GetLongPathNameW, WidenAnsi(path)));
    std::string spelled;
    return SpellAnsi(name, &spelled) ? u"" : name;
  }

  std::u16string Widen(const std::string& text) override { return WidenAnsi(text); }
};

}  // namespace

WidePaths* Win32WidePaths() {
  static Win32Paths paths;
  return &paths;
}

std::u16string WidenAnsi(const std::string& text) {
  if (text.empty()) return u"";
  int size = static_cast<int>(text.size());
  std::vector<WCHAR> buffer(text.size());
  int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, buffer.data(), size);
  return std::u16string(reinterpret_cast<char16_t*>(buffer.data()), length > 0 ? length : 0);
}

bool SpellAnsi(const std::u16string& text, std::string* narrow) {
  if (text.empty()) {
    narrow->clear();
    return true;
  }
  // Room for a double-byte code page too.
  std::vector<char> buffer(text.size() * 2);
  BOOL usedDefault = FALSE;
  int length =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Wide(text), static_cast<int>(text.size()),
                          buffer.data(), static_cast<int>(buffer.size()), nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return false;
  narrow->assign(buffer.data(), length);
  return true;
}

std::string NarrowLossy(const std::u16string& text) {
  if (text.empty()) return "";
  std::vector<char> buffer(text.size() * 2);
  // Without best fit: "Motorhead" for "Motörhead" might name another file, '?' names none.
  int length =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Wide(text), static_cast<int>(text.size()),
                          buffer.data(), static_cast<int>(buffer.size()), nullptr, nullptr);
  return std::string(buffer.data(), length > 0 ? length : 0);
}
