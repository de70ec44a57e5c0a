// How a module that runs work of its own (the audio engine's mixing thread, the sound server's
// loop) starts and joins its threads; the program hands it the kind its platform needs.
#pragma once

#include <functional>

// Starts fn on a new thread and returns a handle that join waits for. In the Win32 build this
// must be CreateThread: a bare pthread crashes in a Winelib program as soon as it calls a Win32
// function.
struct ThreadStarter {
  std::function<void*(std::function<void()> fn)> start;
  std::function<void(void* thread)> join;
  // Gives up the handle of a thread left to end by itself, without waiting for it.
  std::function<void(void* thread)> release;
};

// std::thread, for native builds and tests.
ThreadStarter StdThreadStarter();
