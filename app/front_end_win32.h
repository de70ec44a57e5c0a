// The Win32 program's side of the commands: the choosers, dialogs and message boxes, owned by
// the hidden main window.
#pragma once

#include <windows.h>

#include "app/front_end.h"

class Win32FrontEnd : public FrontEnd {
 public:
  explicit Win32FrontEnd(HWND window) : window_(window) {}

  void OpenFileChooser() override;
  bool ChooseFolder() override;
  void ShowHotkeysDialog() override;
  void ShowOptionsDialog() override;
  void ShowHelp() override;
  void ShowAbout() override;
  void Quit() override;

 private:
  HWND window_;
};
