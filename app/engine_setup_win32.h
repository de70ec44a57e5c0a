// Sets up the audio engine for Windows: sound through winmm, mixing on a Win32 thread.
#pragma once

void ConfigureWin32Engine();
