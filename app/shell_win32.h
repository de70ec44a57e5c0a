// The application shell: the hidden main window, start-up and shut-down, the hand-over between
// instances and the values they share.
#pragma once

#include <windows.h>

#include <string>

// The class and window name by which a second instance finds the first.
constexpr char kWindowClassName[] = "Tunlark";
constexpr UINT kTrayCallbackMessage = WM_USER + 1;

extern HINSTANCE g_instance;
// Null until CreateMainWindow has stored it, and in a second instance.
extern HWND g_mainWindow;
// Points g_platform at the Win32 files, clock and tray and sets up the audio engine's output.
// Returns the event the engine sets when a channel ends, stalls or loses its output by itself
// (null when none could be made).
HANDLE InstallPlatform();
// Creates the hidden window, adds the tray icon and runs StartUp with the path from the command
// line ("" for none); false when no window exists.
bool CreateMainWindow(HINSTANCE instance, const std::string& launchPath);
// 1 when it ran to its end; -1 / -2 when "hotkeys.txt" / "config.cfg" cannot be read, -3 when
// the audio library cannot be opened.
int StartUp(const std::string& launchPath);
// Takes messages without waiting, and wakes for the channel event too; returns the WM_QUIT code.
int RunMainLoop(HANDLE channelEvent);
// Ends the main loop, as "Выход" does. From then on the player takes no hand-over and carries
// out no request from the desktop: those are refused, so that nothing asked of an exiting player
// is taken for done.
void RequestExit();
bool ExitRequested();
void ShutDown();
// Replaces the playlist with a path sent by a second instance and plays it. False when it was
// refused: the player is exiting, and the sender waits for it to end.
bool ReceiveHandOver(const COPYDATASTRUCT* data);
// What a hand-over does with its path (not empty): opens it, saves the playlist and plays.
void OpenHandedOverPath(const std::string& path);
// A second instance (the instance mutex in *mutex held by another): sends its path to the
// running instance. True when this process is done; false when the other instance was exiting
// and has ended, so that this process, now holding the mutex alone, runs as the instance.
bool HandOverToRunningInstance(const std::string& path, HANDLE* mutex);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
