// The Linux desktop's output: a stream on the PulseAudio sound server (PipeWire answers the same
// protocol). Under Wine it replaces the waveOut emulation, whose driver and server threads wake
// every 10 ms whatever is queued: the sound server asks for data only when its buffer runs low.
#pragma once

#include <memory>

#include "playback/engine/engine_config.h"

// Open fails when no sound server answers; nothing is started on the server's behalf. The
// output's event loop runs on a thread from threads.
std::unique_ptr<AudioOutput> CreatePulseOutput(const ThreadStarter& threads);
