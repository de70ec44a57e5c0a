#include "playback/engine/engine_config.h"

#include "playback/engine/engine.h"

EngineConfig DefaultEngineConfig() {
  EngineConfig config;
  config.createOutput = CreateNullOutput;
  config.threads = StdThreadStarter();
  return config;
}

void ConfigureEngine(const EngineConfig& config) {
  std::lock_guard<std::mutex> lock(g_engine.mutex);
  g_engine.config = config;
  g_engine.configured = true;
}
