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
// The path from the command line, replaced by each path a second instance hands over.
extern std::string g_launchPath;

// Points g_platform at the Win32 files, clock and tray and sets up the audio engine's output.
void InstallPlatform();
// Creates the hidden window, adds the tray icon and runs StartUp; false when no window exists.
bool CreateMainWindow(HINSTANCE instance);
// 1 when it ran to its end; -1 / -2 when "hotkeys.txt" / "config.cfg" cannot be read, -3 when
// the audio library cannot be opened.
int StartUp();
// Takes messages without waiting; returns the WM_QUIT code.
int RunMainLoop();
void ShutDown();
// Replaces the playlist with a path sent by a second instance and plays it.
void ReceiveHandOver(const COPYDATASTRUCT* data);
// What a hand-over does with its path (not empty): opens it, saves the playlist and plays.
void OpenHandedOverPath(const std::string& path);
// A second instance: sends its path to the running one; returns the process exit code.
int HandOverToRunningInstance(const std::string& path);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
