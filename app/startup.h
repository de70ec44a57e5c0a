// The steps of start-up and shut-down that every front end takes, and what a hand-over from a
// second start does. Portable: the front end hands in how it opens the sound output and shows
// the start-up error, and the launch path.
#pragma once

#include <functional>
#include <string>

struct StartUpSteps {
  // Sets up the engine's output (BASS_Init); false when no device answers.
  std::function<bool()> openAudio;
  // Waits before another attempt to open the output.
  std::function<void(int ms)> pause;
  // Registers the hotkeys of the settings just read.
  std::function<void()> registerHotkeys;
  // Shows "Ошибка инициализации плеера"; returns once the user has closed it.
  std::function<void()> reportAudioError;
  // Optional: takes the saved playlist just read, before anything of it plays (the native
  // program turns the Win32 program's drive paths into its own).
  std::function<void()> adoptSavedPlaylist;
};

// 1 when it ran to its end; -1 / -2 when "hotkeys.txt" / "config.cfg" cannot be read, -3 when
// the audio library cannot be opened. Plays launchPath (from the command line; "" for none), or
// else the saved playlist when Autoplay is on.
int StartPlayer(const StartUpSteps& steps, const std::string& launchPath);

// Opens a path from the command line or a hand-over, saves the playlist and plays. False when the
// path left the playlist as it was (a folder without tracks).
bool PlayLaunchPath(const std::string& path);

// What a hand-over from a second start does with its text: refused (false) while the player is
// exiting, so that the sender waits and starts anew; an empty text is taken and opens nothing.
bool TakeHandOver(const std::string& path, bool exiting);

// The saves of shut-down: config.cfg, the login entry through applyAutostart (only where the
// user's settings were read: without them Autoload reads 0, which would delete the user's entry)
// and current.spl.
void SavePlayerFiles(void (*applyAutostart)());
