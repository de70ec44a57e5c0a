// The program's output: the system's waveOut device, fed from the mixing thread.
#pragma once

#include <memory>

#include "playback/engine/engine_config.h"

std::unique_ptr<AudioOutput> CreateWinmmOutput();
