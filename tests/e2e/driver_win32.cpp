// Drives a running player from outside, as the system and other programs do: menu commands,
// hotkeys, tray mouse messages, hand-overs and close requests, and looks at the windows it shows.
// Exit code 0 when the request was delivered or the condition holds, 1 when not, 2 on bad usage.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND Player() {
  return FindWindowA("Tunlark", "Tunlark");
}

bool VisibleWindowOfClass(const char* className) {
  for (HWND window = FindWindowExA(nullptr, nullptr, className, nullptr); window != nullptr;
       window = FindWindowExA(nullptr, window, className, nullptr)) {
    if (IsWindowVisible(window)) return true;
  }
  return false;
}

// The title of the first visible dialog box, or "" when none is shown.
std::string DialogTitle() {
  for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", nullptr); window != nullptr;
       window = FindWindowExA(nullptr, window, "#32770", nullptr)) {
    if (!IsWindowVisible(window)) continue;
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    return title;
  }
  return "";
}

int Post(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND player = Player();
  if (player == nullptr) return 1;
  return PostMessageA(player, message, wParam, lParam) ? 0 : 1;
}

// Sends bytes as a hand-over with the given cbData, as a second instance or another program does.
int CopyData(const std::string& bytes, DWORD size) {
  HWND player = Player();
  if (player == nullptr) return 1;
  COPYDATASTRUCT data = {};
  data.cbData = size;
  data.lpData = const_cast<char*>(bytes.data());
  SendMessageA(player, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  return 0;
}

int Usage() {
  fprintf(stderr,
          "usage: driver wait-window MS | window-exists | command ID | hotkey ID | tray LPARAM |\n"
          "       copydata PATH | copydata-unterminated TEXT | close | destroy | menu-open |\n"
          "       tooltip-open |\n"
          "       dialog-title | dismiss-dialog | copydata-sized SIZE TEXT [nul] |\n"
          "       hotkey-burst COUNT ID | sleep MS | long-name PATH | tray-lost |\n"
          "       taskbar-created\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string verb = argv[1];
  const char* argument = argc > 2 ? argv[2] : nullptr;

  if (verb == "wait-window") {
    DWORD limit = argument ? strtoul(argument, nullptr, 10) : 10000;
    DWORD start = GetTickCount();
    while (Player() == nullptr) {
      if (GetTickCount() - start > limit) return 1;
      Sleep(50);
    }
    return 0;
  }
  if (verb == "window-exists") return Player() ? 0 : 1;
  // Keeps a Wine session open, so that Wine's own services stay up between starts of the player.
  if (verb == "sleep" && argument) {
    Sleep(strtoul(argument, nullptr, 10));
    return 0;
  }
  if (verb == "command" && argument) return Post(WM_COMMAND, strtoul(argument, nullptr, 10), 0);
  if (verb == "hotkey" && argument) return Post(WM_HOTKEY, strtoul(argument, nullptr, 10), 0);
  if (verb == "tray" && argument) return Post(WM_USER + 1, 0, strtol(argument, nullptr, 0));
  if (verb == "copydata" && argument) {
    std::string text(argument);
    text.push_back('\0');
    return CopyData(text, static_cast<DWORD>(text.size()));
  }
  if (verb == "copydata-unterminated" && argument) {
    // The text is followed in memory by more bytes, but cbData ends before them and the NUL.
    std::string text = std::string(argument) + "-tail";
    return CopyData(text, static_cast<DWORD>(strlen(argument)));
  }
  if (verb == "copydata-sized" && argument && argc > 3) {
    // SIZE bytes of hand-over: TEXT, its NUL when "nul" follows, then filler up to SIZE.
    DWORD size = strtoul(argument, nullptr, 10);
    std::string bytes(argv[3]);
    if (argc > 4 && strcmp(argv[4], "nul") == 0) bytes.push_back('\0');
    bytes.resize(std::max<size_t>(size, bytes.size()), 'x');
    return CopyData(bytes, size);
  }
  if (verb == "hotkey-burst" && argument && argc > 3) {
    // COUNT hotkeys with the given id, as fast as the queue takes them.
    HWND player = Player();
    if (player == nullptr) return 1;
    unsigned long count = strtoul(argument, nullptr, 10);
    WPARAM id = strtoul(argv[3], nullptr, 10);
    for (unsigned long i = 0; i < count; ++i) {
      while (!PostMessageA(player, WM_HOTKEY, id, 0)) {
        if (!IsWindow(player)) return 1;
        Sleep(1);
      }
    }
    return 0;
  }
  if (verb == "long-name" && argument) {
    // The real name behind a path the player keeps by its aliases, in UTF-8: what the player's
    // tooltip shows, found by the same call.
    WCHAR wide[MAX_PATH], full[MAX_PATH];
    char utf8[4 * MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, argument, -1, wide, MAX_PATH)) return 1;
    DWORD length = GetLongPathNameW(wide, full, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    if (!WideCharToMultiByte(CP_UTF8, 0, full, -1, utf8, sizeof utf8, nullptr, nullptr)) return 1;
    printf("%s\n", utf8);
    return 0;
  }
  // What a restart of the shell does to the player: its icon is gone, then the new shell
  // announces itself.
  if (verb == "tray-lost") {
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = Player();
    icon.uID = 0;
    return icon.hWnd && Shell_NotifyIconW(NIM_DELETE, &icon) ? 0 : 1;
  }
  if (verb == "taskbar-created") return Post(RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  if (verb == "close") return Post(WM_CLOSE, 0, 0);
  if (verb == "destroy") {
    HWND player = Player();
    if (player == nullptr) return 1;
    SendMessageA(player, WM_DESTROY, 0, 0);
    return 0;
  }
  if (verb == "menu-open") return VisibleWindowOfClass("#32768") ? 0 : 1;
  if (verb == "tooltip-open") return VisibleWindowOfClass("tooltips_class32") ? 0 : 1;
  if (verb == "dialog-title") {
    std::string title = DialogTitle();
    printf("%s\n", title.c_str());
    return title.empty() ? 1 : 0;
  }
  if (verb == "dismiss-dialog") {
    for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", nullptr); window != nullptr;
         window = FindWindowExA(nullptr, window, "#32770", nullptr)) {
      if (IsWindowVisible(window)) {
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return 0;
      }
    }
    return 1;
  }
  return Usage();
}
