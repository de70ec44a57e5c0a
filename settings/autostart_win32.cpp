#include "settings/autostart.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "core/app_state.h"
#include "platform/scoped_com_win32.h"
#include "settings/xdg_autostart.h"

namespace {

// The shell's ids, spelled out so that the program needs no uuid import library.
const CLSID kShellLinkClass = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kShellLinkAInterface = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kPersistFileInterface = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

constexpr DWORD kStartupFolderUnits = 450;  // with the terminator
const WCHAR kLinkName[] = L"\\Tunlark.lnk";

// Writes a shortcut to target at linkPath, replacing any file there. Nothing is reported.
void CreateShortcut(const WCHAR* linkPath, const std::string& target,
                    const std::string& workingDirectory, const std::string& iconPath) {
  ScopedCom com;
  ScopedComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkAInterface,
                              link.OutVoid())))
    return;
  link->SetPath(target.c_str());
  // No SetArguments: a new link has none, where an empty text would still be stored as one.
  link->SetWorkingDirectory(workingDirectory.c_str());
  link->SetIconLocation(iconPath.c_str(), 0);
  link->SetHotkey(0);
  link->SetShowCmd(SW_HIDE);
  ScopedComPtr<IPersistFile> file;
  if (SUCCEEDED(link->QueryInterface(kPersistFileInterface, file.OutVoid())))
    file->Save(linkPath, TRUE);
}

}  // namespace

void ApplyAutostart() {
#if defined(TUNLARK_WINELIB)
  // A Linux session never opens the prefix's Startup folder; it has a login entry of its own.
  ApplyXdgAutostart(g_app.Autoload != 0);
#endif
  WCHAR linkPath[kStartupFolderUnits + sizeof kLinkName / sizeof kLinkName[0]] = {};
  DWORD type = 0;
  DWORD size = kStartupFolderUnits * sizeof(WCHAR);
  LSTATUS status = SHGetValueW(
      HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
      L"Startup", &type, linkPath, &size);
  // Without a usable Startup folder the link path would be a bare "\Tunlark.lnk" (or a cut-off
  // folder), and the shortcut would land in, or be deleted from, the wrong place. A value that
  // fits is followed by the buffer's zeros, and the buffer has room for the name after it.
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || linkPath[0] == 0)
    return;
  lstrcatW(linkPath, kLinkName);

  if (g_app.Autoload != 0) {
    std::string target = g_app.programDirectory + "Tunlark.exe";
    CreateShortcut(linkPath, target, g_app.programDirectory, target);
  } else {
    DeleteFileW(linkPath);
  }
}
