// The entry point: one running instance, which a later start hands its path to.
#include <windows.h>

#include <string>

#include "app/command_line.h"
#include "app/shell_win32.h"
#include "platform/wide_paths_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  g_instance = instance;
  // Read wide: the narrow line has lost every letter the code page cannot spell. A second start
  // hands over the turned path, which the running player opens as it is.
  const WCHAR* commandLine = GetCommandLineW();
  std::u16string line = commandLine ? reinterpret_cast<const char16_t*>(commandLine) : u"";
  std::u16string launchPath = LaunchPathFromCommandLine(ArgumentsOfCommandLine(line));
  g_launchPath = launchPath.empty() ? "" : Win32WidePaths()->Narrow(launchPath);

  // Never closed: it marks the running instance until the process ends.
  CreateMutexA(nullptr, FALSE, "Tunlark");
  DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED)
    return HandOverToRunningInstance(g_launchPath);

  InstallPlatform();
  if (!CreateMainWindow(instance)) return 0;
  int exitCode = RunMainLoop();
  ShutDown();
  return exitCode;
}

int HandOverToRunningInstance(const std::string& path) {
  if (path.empty()) return 0;
  char buffer[kHandOverSize];
  // A path that does not fit is not sent at all: a cut one would name another file.
  if (!PackHandOver(path, buffer)) return 0;
  HWND running = FindWindowA(kWindowClassName, kWindowClassName);
  if (running == nullptr) return 0;
  COPYDATASTRUCT data = {};
  data.cbData = kHandOverSize;
  data.lpData = buffer;
  SendMessageA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  return 0;
}
