// The nested loops the native program runs for its modal windows: dialogs, choosers and message
// boxes. An exit ends them all at once, as the quit message ends a Win32 modal loop, so that the
// program's own loop can end without waiting for the user to close them.
#pragma once

#include <functional>

// Held while a modal window's loop runs: end closes the window, nothing applied, so that its loop
// returns. Lives on the stack of the loop's caller, on the main loop's thread.
class ModalWindow {
 public:
  explicit ModalWindow(std::function<void()> end);
  ~ModalWindow();
  ModalWindow(const ModalWindow&) = delete;
  ModalWindow& operator=(const ModalWindow&) = delete;

 private:
  std::function<void()> end_;
  friend void EndModalWindows();
};

// Ends every modal window whose loop runs, the innermost first. The program is exiting: from then
// on ModalWindowsEnded says so, and no window runs its loop.
void EndModalWindows();
bool ModalWindowsEnded();
