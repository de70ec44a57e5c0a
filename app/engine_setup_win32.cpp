#include "app/engine_setup_win32.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <utility>

#include "playback/engine/output_winmm_win32.h"
#include "playback/engine_config.h"

namespace {

DWORD WINAPI RunTask(LPVOID parameter) {
  std::unique_ptr<std::function<void()>> task(static_cast<std::function<void()>*>(parameter));
  (*task)();
  return 0;
}

// A bare pthread crashes in a Winelib program as soon as it calls Win32, so the engine's mixing
// thread is a Win32 thread.
void* StartWin32Thread(std::function<void()> fn) {
  auto* task = new std::function<void()>(std::move(fn));
  HANDLE thread = CreateThread(nullptr, 0, RunTask, task, 0, nullptr);
  if (thread == nullptr) delete task;
  return thread;
}

void JoinWin32Thread(void* thread) {
  if (thread == nullptr) return;
  WaitForSingleObject(static_cast<HANDLE>(thread), INFINITE);
  CloseHandle(static_cast<HANDLE>(thread));
}

}  // namespace

void ConfigureWin32Engine() {
  EngineConfig config = DefaultEngineConfig();
  config.createOutput = [] { return CreateWinmmOutput(); };
  config.threads.start = StartWin32Thread;
  config.threads.join = JoinWin32Thread;
  ConfigureEngine(config);
}
