// The small interfaces through which the portable core reaches the world outside it. The program
// plugs in its Win32 implementations at start-up; tests plug in fakes that record the calls.
#pragma once

#include <cstdint>
#include <string>

class FileSystem;
class WidePaths;

// The notification-area icon: changes its tooltip and picture.
class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  // A null text leaves the tooltip as it is; an icon id of -1 leaves the picture.
  virtual void Update(const char* text, int iconId) = 0;
  // The same with a UTF-16 tooltip, for a track title the code page cannot spell.
  virtual void UpdateWide(const std::u16string& text, int iconId) = 0;
};

// Milliseconds since some fixed moment, wrapping at 2^32, like GetTickCount.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t TickCount() = 0;
};

// System-wide hotkey registration for the main window.
class HotkeyRegistrar {
 public:
  virtual ~HotkeyRegistrar() = default;
  // False when the combination is taken, by this or another program.
  virtual bool Register(int id, uint32_t modifiers, uint32_t keyCode) = 0;
  virtual void Unregister(int id) = 0;
};

struct Platform {
  FileSystem* files = nullptr;
  TrayIcon* tray = nullptr;
  Clock* clock = nullptr;
  HotkeyRegistrar* hotkeys = nullptr;
  // Null where paths are Unix paths in UTF-8, which need no turning.
  WidePaths* paths = nullptr;
};

extern Platform g_platform;
