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

ThreadStarter Win32ThreadStarter(int priority) {
  ThreadStarter starter;
  starter.start = [priority](std::function<void()> fn) -> void* {
    auto* owned = new std::function<void()>(std::move(fn));
    HANDLE thread = CreateThread(nullptr, 0, RunThread, owned, 0, nullptr);
    if (!thread) {
      delete owned;
      return nullptr;
    }
    if (priority != THREAD_PRIORITY_NORMAL) SetThreadPriority(thread, priority);
    return thread;
  };
  starter.join = [](void* thread) {
    WaitForSingleObject(static_cast<HANDLE>(thread), INFINITE);
    CloseHandle(static_cast<HANDLE>(thread));
  };
  starter.release = [](void* thread) { CloseHandle(static_cast<HANDLE>(thread)); };
  return starter;
}
