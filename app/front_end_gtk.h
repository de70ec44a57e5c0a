// The native Linux program's side of the commands: the choosers, dialogs and message boxes in
// GTK 3. Everything runs on the main loop's thread; a dialog runs its own loop until it closes.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <utility>

#include "app/front_end.h"

class DesktopShortcuts;

class GtkFrontEnd : public FrontEnd {
 public:
  // quit ends the program's main loop, as "Выход" does; shut-down follows it.
  explicit GtkFrontEnd(std::function<void()> quit) : quit_(std::move(quit)) {}

  void OpenFileChooser() override;
  bool ChooseFolder() override;
  void ShowHotkeysDialog() override;
  void ShowOptionsDialog() override;
  void ShowHelp() override;
  void ShowAbout() override;
  void Quit() override { quit_(); }

  // The desktop's shortcuts, for the hotkeys dialog, in a session whose hotkeys may go through
  // them; kept by the caller while this lives.
  void UseDesktopShortcuts(DesktopShortcuts* shortcuts) { shortcuts_ = shortcuts; }

 private:
  std::function<void()> quit_;
  DesktopShortcuts* shortcuts_ = nullptr;
  // Each settings dialog while it is open, so that a second request brings it to the front.
  GtkWidget* openHotkeysDialog_ = nullptr;
  GtkWidget* openOptionsDialog_ = nullptr;
};

// A modal error box: text and caption are the program's own Windows-1251 texts, as the Win32
// program passes them to MessageBoxA (e.g. the start-up error "Ошибка инициализации плеера").
void ShowErrorMessage(const char* text, const char* caption);
