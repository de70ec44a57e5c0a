// Sets up the audio engine for Windows: files through the program's file system, sound through
// winmm (or the sound server on the Linux desktop), mixing on a Win32 thread.
#pragma once

class FileSystem;

void ConfigureWin32Engine(FileSystem* files);
