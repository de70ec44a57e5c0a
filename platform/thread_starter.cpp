#include "platform/thread_starter.h"

#include <thread>

ThreadStarter StdThreadStarter() {
  ThreadStarter starter;
  starter.start = [](std::function<void()> fn) -> void* { return new std::thread(std::move(fn)); };
  starter.join = [](void* thread) {
    auto* t = static_cast<std::thread*>(thread);
    t->join();
    delete t;
  };
  starter.release = [](void* thread) {
    auto* t = static_cast<std::thread*>(thread);
    t->detach();
    delete t;
  };
  return starter;
}
