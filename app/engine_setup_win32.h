// Sets up the audio engine for Windows: files through the program's file system, sound through
// winmm (or the sound server on the Linux desktop), mixing on a Win32 thread.
#pragma once

#include <windows.h>

class FileSystem;

// channelEvent is set whenever a channel ends, stalls or loses its output by itself.
void ConfigureWin32Engine(FileSystem* files, HANDLE channelEvent);
