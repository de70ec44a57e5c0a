// The entry point: one running instance, which a later start hands its path to.
#include <windows.h>

#include <string>

#include "app/command_line.h"
#include "app/shell_win32.h"
#include "platform/wide_paths_win32.h"

namespace {

// A start that meets an exiting instance waits this long at most for it to end.
constexpr DWORD kExitingInstanceWaitMs = 20000;
constexpr DWORD kRetryPauseMs = 50;

// Never closed while this process is the instance: it marks it until the process ends. True when
// another process holds it.
bool OtherInstanceHolds(HANDLE* mutex) {
  *mutex = CreateMutexA(nullptr, FALSE, "Tunlark");
  DWORD error = GetLastError();
  return error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  g_instance = instance;
  // Read wide: the narrow line has lost every letter the code page cannot spell. A second start
  // hands over the turned path, which the running player opens as it is.
  const WCHAR* commandLine = GetCommandLineW();
  std::u16string line = commandLine ? reinterpret_cast<const char16_t*>(commandLine) : u"";
  std::u16string launchPath = LaunchPathFromCommandLine(ArgumentsOfCommandLine(line));
  std::string path = launchPath.empty() ? "" : Win32WidePaths()->Narrow(launchPath);

  HANDLE mutex = nullptr;
  if (OtherInstanceHolds(&mutex) && HandOverToRunningInstance(path, &mutex)) return 0;

  HANDLE channelEvent = InstallPlatform();
  if (!CreateMainWindow(instance, path)) return 0;
  int exitCode = RunMainLoop(channelEvent);
  ShutDown();
  return exitCode;
}

bool HandOverToRunningInstance(const std::string& path, HANDLE* mutex) {
  if (path.empty()) return true;
  char buffer[kHandOverSize];
  // A path that does not fit is not sent at all: a cut one would name another file.
  if (!PackHandOver(path, buffer)) return true;
  COPYDATASTRUCT data = {};
  data.cbData = kHandOverSize;
  data.lpData = buffer;
  // The running instance takes the path unless it is exiting: then it refuses, or ends before
  // it answers. Either way this start waits for it to end and becomes the instance, so that the
  // path is not lost with it. No window yet: an instance that is still starting, or one whose
  // window has gone with its process.
  DWORD started = GetTickCount();
  HWND refusedBy = nullptr;
  for (;;) {
    HWND running = FindWindowA(kWindowClassName, kWindowClassName);
    // A window that said no is not asked again: a player too old to say that it took a path
    // answers no as well, and must not be given the path twice.
    if (running && running != refusedBy) {
      if (SendMessageA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data))) return true;
      refusedBy = running;
    }
    if (GetTickCount() - started > kExitingInstanceWaitMs) return true;
    Sleep(kRetryPauseMs);
    if (*mutex) CloseHandle(*mutex);
    if (!OtherInstanceHolds(mutex)) return false;
  }
}
