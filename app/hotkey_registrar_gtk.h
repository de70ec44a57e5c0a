// The hotkeys of the native program: X11 key grabs on the root window, their presses run through
// the command table on the main loop's thread.
#pragma once

#include <functional>
#include <memory>

class HotkeyRegistrar;
class MainLoop;

// Null without an X display. pressed(hotkeyId) runs on the loop's thread for each press.
std::unique_ptr<HotkeyRegistrar> CreateX11HotkeyRegistrar(MainLoop& loop,
                                                          std::function<void(int id)> pressed);
