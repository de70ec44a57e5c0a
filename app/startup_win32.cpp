// Start-up, the main loop, shut-down and the hand-over from a second instance.
#include <windows.h>

#include "core/app_state.h"
#include "platform/clock_win32.h"
#include "app/command_line.h"
#include "app/engine_setup_win32.h"
#include "app/startup.h"
#include "app/media_controls_win32.h"
#include "platform/file_system.h"
#include "platform/file_system_win32.h"
#include "platform/wide_paths_win32.h"
#include "platform/platform.h"
#include "app/shell_win32.h"
#include "app/status_notifier_win32.h"
#include "app/tray_win32.h"
#include "playback/engine/audio_engine.h"
#include "playback/monitor.h"
#include "playback/player.h"
#include "playlist/open_path.h"
#include "playlist/saved_playlist.h"
#include "settings/autostart.h"
#include "settings/config_file.h"
#include "settings/hotkeys.h"

// Process-wide by nature: Windows hands WinMain the one module, which the dialogs and both trays
// load their resources from.
HINSTANCE g_instance = nullptr;
// The one window; the tray's record (its TrayIcon calls carry no window) and the window
// procedure, which must tell messages sent while the window is being created, read it.
HWND g_mainWindow = nullptr;

namespace {

// Read by the window procedure, the bus's request handlers and the hand-over, none of which is
// handed anything from the main loop.
bool g_exitRequested = false;

bool OpenAudioLibrary() {
  BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, 10);
  return BASS_Init(-1, 44100, BASS_DEVICE_LATENCY, nullptr, nullptr);
}

}  // namespace

HANDLE InstallPlatform() {
  static std::unique_ptr<FileSystem> files = CreateWin32FileSystem();
  g_platform.files = files.get();
  g_platform.clock = Win32Clock();
  g_platform.tray = DesktopTrayIcon();
  g_platform.paths = Win32WidePaths();
  HANDLE channelEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ConfigureWin32Engine(files.get(), channelEvent);
  return channelEvent;
}

int StartUp(const std::string& launchPath) {
  // Read wide: a folder the code page cannot spell (a user's home named in other letters) is
  // named by its alias, as paths that come in are; the narrow name would name no folder.
  WCHAR path[2000];
  DWORD length = GetModuleFileNameW(nullptr, path, 2000);
  if (length >= 2000) length = 1999;
  g_app.programFilePath =
      g_platform.paths->Narrow(std::u16string(reinterpret_cast<const char16_t*>(path), length));
  g_app.programDirectory = ProgramDirectoryOf(g_app.programFilePath);

  StartUpSteps steps;
  steps.openAudio = OpenAudioLibrary;
  steps.pause = [](int ms) { Sleep(static_cast<DWORD>(ms)); };
  steps.registerHotkeys = RegisterAllHotkeys;
  steps.reportAudioError = [] {
    MessageBoxA(g_mainWindow, "Ошибка инициализации плеера", "Ошибка", MB_OK | MB_ICONERROR);
  };
  return StartPlayer(steps, launchPath);
}

// The queue is emptied first, so every message is dispatched at once and in order. Only an empty
// queue leads to the idle branch, which runs the monitor's pass (never from inside a handler)
// and then, instead of a fixed 7 ms sleep, waits for the next message:
// - while a monitor pass is owed, at most until it is due, which keeps the 50 ms cadence. One is
//   owed after any dispatched message or other wake until a due pass has run, and always while
//   the last due pass saw the channel playing or stalled (a track ends without any message);
// - otherwise (stopped or paused, nothing dispatched since) without a timeout: in those states
//   nothing the tray shows changes until a message arrives.
// Global hotkeys reach the wait as a message from their watcher thread. A wait that timed out
// saw nothing arrive, so the next round goes straight to the idle branch: under Wine each look at
// the queue is a trip to the server, and so is each switch between looking and waiting, 20 times
// a second while a track plays. Whatever arrives after the timeout ends the next wait at once.
int RunMainLoop(HANDLE channelEvent) {
  PlaybackMonitor monitor(*g_platform.clock, *g_platform.tray, g_platform.paths);
  MSG message;
  bool passOwed = true;
  bool mayHaveMessages = true;
  for (;;) {
    if (mayHaveMessages && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
      if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
      passOwed = true;
      continue;
    }
    mayHaveMessages = true;
    uint32_t passes = monitor.DuePasses();
    monitor.Tick();
    PublishMediaState();
    if (monitor.DuePasses() != passes) passOwed = false;
    // After a message a pass is owed within the period. Otherwise a playing channel is looked at
    // again only when what the tray shows can change (its next whole second, the point where
    // the monitor moves on) or when the engine says its state changed by itself; a stopped or
    // paused one only after a message.
    DWORD timeout = passOwed          ? static_cast<DWORD>(monitor.MsUntilDue())
                    : monitor.Quiet() ? INFINITE
                                      : static_cast<DWORD>(monitor.MsUntilChange());
    // Any wake but the timeout owes a pass too: PeekMessage handles a sent message (a
    // hand-over) inside itself and then reports an empty queue.
    if (timeout == 0) continue;
    DWORD handles = channelEvent ? 1 : 0;
    if (MsgWaitForMultipleObjectsEx(handles, &channelEvent, timeout, QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE) == WAIT_TIMEOUT) {
      mayHaveMessages = false;
    } else {
      passOwed = true;
    }
  }
}

void RequestExit() {
  g_exitRequested = true;
  PostQuitMessage(0);
}

bool ExitRequested() {
  return g_exitRequested;
}

void ShutDown() {
  TrayRemove();
  SavePlayerFiles(ApplyAutostart);
  UnregisterAllHotkeys();
  // After the saves: a bus that does not answer may hold this up for seconds, and a logout can
  // end the process at any moment once the icon is gone.
  StopMediaControls();
  // The engine's mixing thread would otherwise still run while the process tears down the
  // engine's globals, which now and then crashed the exit.
  BASS_Free();
}

bool ReceiveHandOver(const COPYDATASTRUCT* data) {
  std::string text = data ? HandOverText(data->lpData, data->cbData) : std::string();
  return TakeHandOver(text, g_exitRequested);
}

void OpenHandedOverPath(const std::string& path) {
  PlayLaunchPath(path);
}
