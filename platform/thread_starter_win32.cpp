#include "platform/thread_starter_win32.h"

#include <windows.h>

namespace {

DWORD WINAPI RunThread(LPVOID parameter) {
  auto* fn = static_cast<std::function<void()>*>(parameter);
  (*fn)();
  delete fn;
  return 0;
}

}  // namespace

ThreadStarter Win32ThreadStarter() {
  ThreadStarter starter;
  starter.start = [](std::function<void()> fn) -> void* {
    auto* owned = new std::function<void()>(std::move(fn));
    HANDLE thread = CreateThread(nullptr, 0, RunThread, owned, 0, nullptr);
    if (!thread) {
      delete owned;
      return nullptr;
    }
    // Mixing must not wait behind the UI thread.
    SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    return thread;
  };
  starter.join = [](void* thread) {
    WaitForSingleObject(static_cast<HANDLE>(thread), INFINITE);
    CloseHandle(static_cast<HANDLE>(thread));
  };
  return starter;
}
