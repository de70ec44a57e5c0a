#include "app/front_end_win32.h"

#include <shellapi.h>

#include <string>

#include "app/about_box.h"
#include "app/main_window_win32.h"
#include "app/shell_win32.h"
#include "core/app_state.h"
#include "playlist/choosers_win32.h"
#include "settings/settings_dialogs_win32.h"

void Win32FrontEnd::OpenFileChooser() {
  MainWindowState* state = MainWindowStateOf(window_);
  if (state) OpenFileCommand(window_, state->fileChooser);
}

bool Win32FrontEnd::ChooseFolder() {
  MainWindowState* state = MainWindowStateOf(window_);
  return state && ScanFolder(window_, state->folderChooser);
}

void Win32FrontEnd::ShowHotkeysDialog() {
  ::ShowHotkeysDialog(g_instance, window_);
}

void Win32FrontEnd::ShowOptionsDialog() {
  ::ShowOptionsDialog(g_instance, window_);
}

void Win32FrontEnd::ShowHelp() {
  std::string path = g_app.programDirectory + "Help\\Help.htm";
  ShellExecuteA(window_, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32FrontEnd::ShowAbout() {
  MessageBoxA(window_, kAboutText, kAboutCaption, MB_OK | MB_ICONINFORMATION);
}

void Win32FrontEnd::Quit() {
  RequestExit();
}
