// Keeps a chooser from opening a second time while it is already open: hotkeys are still
// dispatched by the open dialog's own message loop, so a second request can arrive inside the
// first.
#pragma once

class ChooserGuard {
 public:
  // Counts the request; true when no dialog of this kind is open and the caller may show one.
  bool Enter();
  // The dialog has closed: requests may open it again.
  void Leave() { count_ = 0; }
  bool IsOpen() const { return count_ > 0; }

 private:
  int count_ = 0;
};
