#include "platform/modal_windows_gtk.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Innermost last. Only the main loop's thread runs windows, so no lock.
std::vector<ModalWindow*>& OpenModalWindows() {
  static std::vector<ModalWindow*> open;
  return open;
}

bool ended = false;

}  // namespace

ModalWindow::ModalWindow(std::function<void()> end) : end_(std::move(end)) {
  OpenModalWindows().push_back(this);
}

ModalWindow::~ModalWindow() {
  std::vector<ModalWindow*>& open = OpenModalWindows();
  open.erase(std::remove(open.begin(), open.end(), this), open.end());
}

void EndModalWindows() {
  ended = true;
  // A copy: the loops return only after this, so every window stays listed, but GTK's handlers
  // run by an end must not change the list being walked.
  std::vector<ModalWindow*> open = OpenModalWindows();
  for (auto window = open.rbegin(); window != open.rend(); ++window)
    if ((*window)->end_) (*window)->end_();
}

bool ModalWindowsEnded() {
  return ended;
}
