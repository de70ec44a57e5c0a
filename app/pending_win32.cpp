// Temporary stand-ins for the choosers, the settings dialogs, the autostart shortcut and the
// global hotkey registrar until their own implementations are merged; delete this file then.
#include <windows.h>

#include <string>

#include "app/platform.h"
#include "playlist/choosers.h"
#include "settings/autostart.h"
#include "settings/hotkey_registrar_win32.h"
#include "settings/settings_dialogs_win32.h"

namespace {

class PlainRegistrar : public HotkeyRegistrar {
 public:
  explicit PlainRegistrar(HWND window) : window_(window) {}
  bool Register(int id, uint32_t modifiers, uint32_t keyCode) override {
    return RegisterHotKey(window_, id, modifiers, keyCode) != 0;
  }
  void Unregister(int id) override { UnregisterHotKey(window_, id); }

 private:
  HWND window_;
};

}  // namespace

std::string ChooseFile() {
  return "";
}
std::string ChooseFolder() {
  return "";
}
void OpenFileCommand() {}
bool ScanFolder() {
  return false;
}

void ApplyAutostart() {}

INT_PTR CALLBACK HotkeysDialog(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND) EndDialog(dialog, 0);
  return FALSE;
}

INT_PTR CALLBACK OptionsDialog(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND) EndDialog(dialog, 0);
  return FALSE;
}

HotkeyRegistrar* CreateWin32HotkeyRegistrar(HWND window) {
  return new PlainRegistrar(window);
}
void PumpGlobalHotkeys() {}
