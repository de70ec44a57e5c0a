#include "playback/engine_config.h"

#include <thread>

#include "playback/engine/engine.h"

EngineConfig DefaultEngineConfig() {
  EngineConfig config;
  config.createOutput = CreateNullOutput;
  config.threads.start = [](std::function<void()> fn) -> void* {
    return new std::thread(std::move(fn));
  };
  config.threads.join = [](void* thread) {
    auto* t = static_cast<std::thread*>(thread);
    t->join();
    delete t;
  };
  return config;
}

void ConfigureEngine(const EngineConfig& config) {
  std::lock_guard<std::mutex> lock(g_engine.mutex);
  g_engine.config = config;
  g_engine.configured = true;
}
