#include "settings/settings_dialogs_win32.h"

#include <cstdint>

#include "core/app_state.h"
#include "playback/player.h"
#include "resources/resource_ids.h"
#include "settings/autostart.h"
#include "settings/config_file.h"

namespace {

void ShowFlag(HWND dialog, int boxId, int32_t flag) {
  SendDlgItemMessageA(dialog, boxId, BM_SETCHECK, flag != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Flipped from the Setting's own value, not from the box: a hotkey may have changed the Setting
// while the dialog was open.
void Flip(int32_t& flag) {
  flag = flag == 0 ? 1 : 0;
}

void OnCommand(HWND dialog, int id) {
  switch (id) {
    case IDC_OPTIONS_OK:
      EndDialog(dialog, 1);
      return;
    case IDC_REPEAT:
      Flip(g_app.Repeat);
      break;
    case IDC_SHUFFLE:
      Flip(g_app.Shuffle);
      break;
    case IDC_MUTE:
      ToggleMute();
      break;
    case IDC_AUTOLOAD:
      Flip(g_app.Autoload);
      ApplyAutostart();
      break;
    case IDC_AUTOPLAY:
      Flip(g_app.Autoplay);
      break;
    default:
      return;
  }
  SaveConfig();
}

// Esc and the close shortcut send IDCANCEL, which is left unhandled: OK is the only way out.
INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ShowFlag(dialog, IDC_REPEAT, g_app.Repeat);
      ShowFlag(dialog, IDC_SHUFFLE, g_app.Shuffle);
      ShowFlag(dialog, IDC_MUTE, g_app.Mute);
      ShowFlag(dialog, IDC_AUTOLOAD, g_app.Autoload);
      ShowFlag(dialog, IDC_AUTOPLAY, g_app.Autoplay);
      break;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam));
      break;
  }
  return 0;
}

}  // namespace

void ShowOptionsDialog(HINSTANCE instance, HWND owner) {
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_OPTIONS), owner, OptionsDialogProc, 0);
}
