// Translation of what a hotkey binding carries (Windows virtual-key codes and MOD_* bits) into X11
// key symbols and modifier masks, for the native key grabs of the Winelib build. Plain numbers, so
// that it builds and is tested without X11 or Windows headers.
#pragma once

#include <cstdint>
#include <string>

// The X key symbol of the key with this virtual-key code; 0 when there is none to grab.
uint32_t VirtualKeyToKeysym(uint32_t virtualKey);

// The X modifier mask for MOD_ALT (1), MOD_CONTROL (2), MOD_SHIFT (4) and MOD_WIN (8). False for
// any other bit, as such a set cannot be grabbed (a binding with an unknown name carries -1).
bool HotkeyModifiersToMask(uint32_t modifiers, uint32_t* mask);

// The name of the key's X symbol ("KP_5", "equal", "q"); empty when there is none.
std::string VirtualKeyToKeysymName(uint32_t virtualKey);

// A binding as a shortcut trigger of the desktop portal ("CTRL+ALT+KP_5"): the modifiers CTRL,
// ALT, SHIFT and LOGO, then the key's symbol name. False for a key without a symbol or a
// modifier bit beyond MOD_WIN, as for the key grabs.
bool HotkeyToTrigger(uint32_t modifiers, uint32_t virtualKey, std::string* trigger);
