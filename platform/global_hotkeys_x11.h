// System-wide hotkeys through native X11 key grabs on the root window, for the Winelib build:
// under Wine, RegisterHotKey only reports a press while a Wine window has the keyboard focus, and
// the tray player never has it. Nothing here includes <windows.h>; the registrar turns the presses
// into WM_HOTKEY. Everything runs on the UI thread.
#pragma once

#include <cstdint>

// Opens the connection of our own; false when there is no X display.
bool OpenGlobalKeyDisplay();
// Grabs the combination (MOD_* bits, virtual-key code) for the hotkey id, whatever the state of
// Caps Lock, Num Lock and Scroll Lock. False when another X client holds it, another id of ours
// holds it, or the key cannot be grabbed at all. A second grab for an id replaces the first.
bool GrabGlobalKey(int id, uint32_t modifiers, uint32_t virtualKey);
void UngrabGlobalKey(int id);
// Reads what the X server has sent, without waiting, and calls pressed(id, context) once for each
// key press of a grabbed combination.
void ReadGlobalKeyPresses(void (*pressed)(int id, void* context), void* context);
// Blocks until the X server has sent something on our connection. It only polls the socket, never
// calls Xlib, so a watcher thread may wait in it while the UI thread reads. Events Xlib took in
// during a grab's XSync are not seen here; the UI thread's next read gets them. False when there
// is no connection or the wait failed.
bool WaitForGlobalKeyInput();
