// The program's output: the system's waveOut device, fed from the mixing thread.
#pragma once

#include <memory>

#include "playback/engine_config.h"

std::unique_ptr<AudioOutput> CreateWinmmOutput();
// Threads started with CreateThread: a Winelib program may only call Win32 from those.
ThreadStarter Win32ThreadStarter();
