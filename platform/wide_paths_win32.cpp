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

// The alias of name in folder, found by listing it: the way to a name Windows forbids, which
// GetShortPathNameW refuses where it holds a wildcard ("Why?.mp3") or lies past one.
bool ListedAlias(const std::string& folder, const std::u16string& name, std::string* alias) {
  std::u16string pattern = WidenAnsi(folder) + u"*";
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Wide(pattern), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool matched = false;
  do {
    matched = name == reinterpret_cast<const char16_t*>(found.cFileName);
  } while (!matched && FindNextFileW(search, &found));
  FindClose(search);
  return matched &&
         SpellListedName(reinterpret_cast<const char16_t*>(found.cFileName),
                         reinterpret_cast<const char16_t*>(found.cAlternateFileName), alias);
}

bool ShortAlias(const std::u16string& path, const std::string& folder, std::string* alias) {
  std::u16string shortPath = WinApiString(GetShortPathNameW, path);
  std::u16string name = LastComponent(shortPath);
  // A volume without 8.3 names gives the long name back, which the code page cannot spell.
  if (!name.empty() && !WindowsForbids(name) && SpellAnsi(name, alias)) return true;
  return ListedAlias(folder, LastComponent(path), alias);
}

#if defined(TUNLARK_WINELIB)
// Wine names a Unix file by its Unix path; a '\\' in a component would split it there, so from
// the first such component on each one is looked up in its folder's listing.
std::string FromUnixPath(WidePaths& paths, const std::string& unixPath) {
  if (unixPath.empty() || unixPath[0] != '/') return "";
  size_t backslash = unixPath.find('\\');
  size_t split = backslash == std::string::npos ? unixPath.size() : unixPath.rfind('/', backslash);
  WCHAR* dosPath = wine_get_dos_file_name(unixPath.substr(0, split == 0 ? 1 : split).c_str());
  if (!dosPath) return "";
  std::string narrow = paths.Narrow(reinterpret_cast<const char16_t*>(dosPath));
  HeapFree(GetProcessHeap(), 0, dosPath);
  for (size_t start = split + 1; start <= unixPath.size();) {
    size_t end = unixPath.find('/', start);
    size_t stop = end == std::string::npos ? unixPath.size() : end;
    std::u16string name;
    if (!DecodeUtf8(unixPath.substr(start, stop - start), &name)) return "";
    if (narrow.empty() || narrow.back() != '\\') narrow += '\\';
    std::string spelled;
    narrow += ListedAlias(narrow, name, &spelled) ? spelled : NarrowLossy(name);
    start = stop + 1;
  }
  return narrow;
}
#endif

class Win32Paths : public WidePaths {
 public:
  std::string Narrow(const std::u16string& path) override {
    std::string narrow;
    if (NarrowByComponents(path, SpellAnsi, ShortAlias, &narrow)) return narrow;
    return NarrowLossy(path);
  }

  // From the listing, not GetLongPathNameW: a name holding '\\' comes back from that as two.
  std::u16string LongName(const std::string& path) override {
    // A wildcard (a name the code page could not spell) would find another file.
    if (path.find_first_of("*?") != std::string::npos) return u"";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(WidenAnsi(path)), &found);
    if (search == INVALID_HANDLE_VALUE) return u"";
    FindClose(search);
    std::u16string name = reinterpret_cast<const char16_t*>(found.cFileName);
    std::string spelled;
    return !WindowsForbids(name) && SpellAnsi(name, &spelled) ? u"" : name;
  }

  std::u16string Widen(const std::string& text) override { return WidenAnsi(text); }

  std::string FromUnix(const std::string& unixPath) override {
#if defined(TUNLARK_WINELIB)
    return FromUnixPath(*this, unixPath);
#else
    (void)unixPath;
    return "";
#endif
  }
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

bool SpellListedName(const char16_t* name, const char16_t* alias, std::string* narrow) {
  std::u16string longName = name;
  if (!WindowsForbids(longName) && SpellAnsi(longName, narrow)) return true;
  std::u16string shortName = alias;
  return !shortName.empty() && SpellAnsi(shortName, narrow);
}
