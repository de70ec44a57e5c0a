#include "playlist/choosers_win32.h"

#include <commdlg.h>
#include <shlobj.h>

#include "platform/scoped_com_win32.h"
#include "playback/player.h"
#include "playlist/chooser_guard.h"
#include "playlist/open_path.h"

namespace {

ChooserGuard g_fileGuard;
ChooserGuard g_folderGuard;

// One pair, no "all files" pair. "*aiff" has no dot on purpose: it lists "trackaiff" too.
const char kTrackFilter[] =
    "Все поддерживаемые типы\0"
    "*.mp3;*.wav;*.ogg;*.mp2;*.mp1;*aiff;*.xm;*.mo3;*.it;*.s3m;*.mtm;*.mod;*.umx;*.m3u;*.pls\0";

}  // namespace

std::string ChooseFile(HWND owner) {
  if (!g_fileGuard.Enter()) return "";
  char path[260] = "";
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kTrackFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof path;
  dialog.lpstrTitle = "Открыть файл";
  // Not OFN_FILEMUSTEXIST: a typed name is returned even when no such file exists.
  dialog.Flags = OFN_HIDEREADONLY | OFN_NONETWORKBUTTON | OFN_EXPLORER | OFN_FORCESHOWHIDDEN;
  dialog.FlagsEx = OFN_EX_NOPLACESBAR;
  bool chosen = GetOpenFileNameA(&dialog) != FALSE;
  g_fileGuard.Leave();
  return chosen ? std::string(path) : std::string();
}

namespace {

std::string BrowseForFolder(HWND owner) {
  ScopedCom com;
  ScopedComPtr<IMalloc> allocator;
  if (FAILED(SHGetMalloc(allocator.Out()))) return "";
  BROWSEINFOA browse = {};
  browse.hwndOwner = owner;
  browse.lpszTitle = "Выберите каталог:";
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST item = SHBrowseForFolderA(&browse);
  char path[MAX_PATH] = "";
  if (item) {
    SHGetPathFromIDListA(item, path);
    allocator->Free(item);
  }
  return path;
}

}  // namespace

std::string ChooseFolder(HWND owner) {
  if (!g_folderGuard.Enter()) return "";
  std::string path = BrowseForFolder(owner);
  g_folderGuard.Leave();
  return path;
}

void OpenFileCommand(HWND owner) {
  std::string path = ChooseFile(owner);
  if (path.empty()) return;
  OpenPath(path);
  PlayCurrent();
}

bool ScanFolder(HWND owner) {
  std::string folder = ChooseFolder(owner);
  if (folder.empty()) return false;
  return FillFromFolder(folder);
}
