#include "app/engine_setup_win32.h"

#include "playback/engine/output_winmm_win32.h"
#include "playback/engine_config.h"

void ConfigureWin32Engine() {
  EngineConfig config = DefaultEngineConfig();
  config.createOutput = [] { return CreateWinmmOutput(); };
  // A bare pthread crashes in a Winelib program as soon as it calls Win32.
  config.threads = Win32ThreadStarter();
  ConfigureEngine(config);
}
