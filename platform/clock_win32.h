// Milliseconds from GetTickCount, for the playback monitor's pacing.
#pragma once

class Clock;

Clock* Win32Clock();
