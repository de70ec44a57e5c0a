// Sets up the audio engine of the native program: files through the POSIX file system, sound to
// the PulseAudio server, mixing on a thread of its own.
#pragma once

class FileSystem;

// Returns a descriptor that becomes readable whenever a channel ends, stalls or loses its output
// by itself (read it to clear it); -1 when none could be made, and the loop then learns of it at
// its next timed pass only.
int ConfigureNativeEngine(FileSystem* files);
// BASS_Init with the program's settings; false when no sound server answers.
bool OpenNativeAudio();
// Clears what the descriptor of ConfigureNativeEngine has counted.
void ClearChannelNotice(int fd);
