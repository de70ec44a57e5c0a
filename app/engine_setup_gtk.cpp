#include "app/engine_setup_gtk.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "playback/engine/audio_engine.h"
#include "playback/engine/engine_config.h"
#include "playback/engine/output_pulse_linux.h"
#include "platform/thread_starter.h"

int ConfigureNativeEngine(FileSystem* files) {
  int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  EngineConfig config = DefaultEngineConfig();
  config.files = files;
  config.threads = StdThreadStarter();
  // On the mixing thread with the engine's lock held: a write to the descriptor, nothing more.
  config.channelStateChanged = [fd] {
    uint64_t one = 1;
    if (fd >= 0) (void)!write(fd, &one, sizeof one);
  };
  ThreadStarter threads = config.threads;
  config.createOutput = [threads] { return CreatePulseOutput(threads); };
  ConfigureEngine(config);
  return fd;
}

bool OpenNativeAudio() {
  BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, 10);
  return BASS_Init(-1, 44100, BASS_DEVICE_LATENCY, nullptr, nullptr);
}

void ClearChannelNotice(int fd) {
  uint64_t count = 0;
  (void)!read(fd, &count, sizeof count);
}
