// System-wide hotkeys through native X11 key grabs on the root window, for the Winelib build:
// under Wine, RegisterHotKey only reports a press while a Wine window has the keyboard focus, and
// the tray player never has it. Nothing here includes <windows.h> (nor Xlib, whose names clash
// with it); the registrar turns the presses into WM_HOTKEY. Everything runs on the UI thread but
// WaitForInput.
#pragma once

#include <cstdint>
#include <vector>

struct _XDisplay;

class GlobalKeyGrabs {
 public:
  GlobalKeyGrabs() = default;
  // Closes the connection, which releases every grab; no thread may still wait in WaitForInput.
  ~GlobalKeyGrabs();
  GlobalKeyGrabs(const GlobalKeyGrabs&) = delete;
  GlobalKeyGrabs& operator=(const GlobalKeyGrabs&) = delete;

  // Opens the connection of our own; false when there is no X display.
  bool Open();
  // Grabs the combination (MOD_* bits, virtual-key code) for the hotkey id, whatever the state of
  // Caps Lock, Num Lock and Scroll Lock. False when another X client holds it, another id of ours
  // holds it, or the key cannot be grabbed at all. A second grab for an id replaces the first.
  // Its round trips may take in presses that the socket then no longer shows: a caller that
  // waits on the socket reads them (ReadPresses) after grabbing.
  bool Grab(int id, uint32_t modifiers, uint32_t virtualKey);
  void Ungrab(int id);
  // Reads what the X server has sent, without waiting, and calls pressed(id, context) once for
  // each key press of a grabbed combination.
  void ReadPresses(void (*pressed)(int id, void* context), void* context);
  // Blocks until the X server has sent something on our connection. It only polls the socket,
  // never calls Xlib, so a watcher thread may wait in it while the UI thread reads. Events Xlib
  // took in during a grab's XSync are not seen here; the UI thread's next read gets them. False
  // when there is no connection or the wait failed.
  bool WaitForInput() const;

 private:
  struct Held {
    int id;
    unsigned char keycode;
    unsigned int mask;
  };
  void FindLockVariants();
  unsigned int ModifierMaskOf(unsigned long keysym) const;
  std::vector<unsigned char> KeycodesOf(unsigned long keysym) const;
  void UngrabAllVariants(const Held& grab);

  _XDisplay* display_ = nullptr;
  unsigned long root_ = 0;
  std::vector<Held> held_;
  // The lock masks a grab must ignore; found in the server's modifier map.
  unsigned int lockVariants_[8] = {};
  int lockVariantCount_ = 0;
  unsigned int allLocks_ = 0;
};
