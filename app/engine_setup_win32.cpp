#include "app/engine_setup_win32.h"

#include "playback/engine/output_winmm_win32.h"
#include "playback/engine/engine_config.h"
#include "platform/thread_starter_win32.h"
#if defined(TUNLARK_WINELIB)
#include "playback/engine/output_pulse_linux.h"
#endif

void ConfigureWin32Engine(FileSystem* files, HANDLE channelEvent) {
  EngineConfig config = DefaultEngineConfig();
  config.files = files;
  config.channelStateChanged = [channelEvent] { SetEvent(channelEvent); };
  // A bare pthread crashes in a Winelib program as soon as it calls Win32. Mixing must not wait
  // behind the UI thread.
  config.threads = Win32ThreadStarter(THREAD_PRIORITY_TIME_CRITICAL);
#if defined(TUNLARK_WINELIB)
  // On the Linux desktop the sound server is spoken to directly; Wine's waveOut over it costs
  // ten times the CPU. Without a server Wine's own driver (ALSA) still plays.
  ThreadStarter threads = config.threads;
  config.createOutput = [threads] {
    return CreateFallbackOutput(
        {[threads] { return CreatePulseOutput(threads); }, [] { return CreateWinmmOutput(); }});
  };
#else
  config.createOutput = [] { return CreateWinmmOutput(); };
#endif
  ConfigureEngine(config);
}
