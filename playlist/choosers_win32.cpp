#include "playlist/choosers_win32.h"

#include <commdlg.h>
#include <shlobj.h>

#include "platform/scoped_com_win32.h"
#include "platform/wide_paths_win32.h"
#include "playback/player.h"
#include "playlist/chooser_guard.h"
#include "playlist/file_types.h"
#include "playlist/open_path.h"

namespace {

// One pair, no "all files" pair; the patterns come from the table of file types.
std::string TrackFilter() {
  return std::string("Все поддерживаемые типы") + '\0' + FilterPatterns() + '\0' + '\0';
}

const WCHAR* Wide(const std::u16string& text) {
  return reinterpret_cast<const WCHAR*>(text.c_str());
}

// The choosers are the wide ones, so that a name the code page cannot spell comes back whole and
// can be turned into one it can.
std::string NarrowChoice(const WCHAR* path) {
  std::u16string wide = reinterpret_cast<const char16_t*>(path);
  return wide.empty() ? "" : Win32WidePaths()->Narrow(wide);
}

}  // namespace

std::string ChooseFile(HWND owner, ChooserGuard& guard) {
  if (!guard.Enter()) return "";
  WCHAR path[260] = {};
  std::u16string filter = WidenAnsi(TrackFilter());
  std::u16string title = WidenAnsi("Открыть файл");
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = Wide(filter);
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof path / sizeof path[0];
  dialog.lpstrTitle = Wide(title);
  // Not OFN_FILEMUSTEXIST: a typed name is returned even when no such file exists.
  dialog.Flags = OFN_HIDEREADONLY | OFN_NONETWORKBUTTON | OFN_EXPLORER | OFN_FORCESHOWHIDDEN;
  dialog.FlagsEx = OFN_EX_NOPLACESBAR;
  bool chosen = GetOpenFileNameW(&dialog) != FALSE;
  guard.Leave();
  return chosen ? NarrowChoice(path) : std::string();
}

namespace {

std::string BrowseForFolder(HWND owner) {
  ScopedCom com;
  ScopedComPtr<IMalloc> allocator;
  if (FAILED(SHGetMalloc(allocator.Out()))) return "";
  std::u16string title = WidenAnsi("Выберите каталог:");
  BROWSEINFOW browse = {};
  browse.hwndOwner = owner;
  browse.lpszTitle = Wide(title);
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST item = SHBrowseForFolderW(&browse);
  WCHAR path[MAX_PATH] = {};
  if (item) {
    SHGetPathFromIDListW(item, path);
    allocator->Free(item);
  }
  return NarrowChoice(path);
}

}  // namespace

std::string ChooseFolder(HWND owner, ChooserGuard& guard) {
  if (!guard.Enter()) return "";
  std::string path = BrowseForFolder(owner);
  guard.Leave();
  return path;
}

void OpenFileCommand(HWND owner, ChooserGuard& guard) {
  OpenChosenFile(ChooseFile(owner, guard));
}

bool ScanFolder(HWND owner, ChooserGuard& guard) {
  return FillFromChosenFolder(ChooseFolder(owner, guard));
}
