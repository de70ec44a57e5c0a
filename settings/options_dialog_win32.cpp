#include "settings/settings_dialogs_win32.h"

#include <cstdint>

#include "app/app_state.h"
#include "playback/player.h"
#include "settings/autostart.h"
#include "settings/config_file.h"

namespace {

constexpr int kOkButton = 1006;
constexpr int kRepeatBox = 1010;
constexpr int kShuffleBox = 1011;
constexpr int kMuteBox = 1012;
constexpr int kAutoloadBox = 1013;
constexpr int kAutoplayBox = 1014;

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
    case kOkButton:
      EndDialog(dialog, 1);
      return;
    case kRepeatBox:
      Flip(g_app.Repeat);
      break;
    case kShuffleBox:
      Flip(g_app.Shuffle);
      break;
    case kMuteBox:
      ToggleMute();
      break;
    case kAutoloadBox:
      Flip(g_app.Autoload);
      ApplyAutostart();
      break;
    case kAutoplayBox:
      Flip(g_app.Autoplay);
      break;
    default:
      return;
  }
  SaveConfig();
}

}  // namespace

// Esc and the close shortcut send IDCANCEL, which is left unhandled: OK is the only way out.
INT_PTR CALLBACK OptionsDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ShowFlag(dialog, kRepeatBox, g_app.Repeat);
      ShowFlag(dialog, kShuffleBox, g_app.Shuffle);
      ShowFlag(dialog, kMuteBox, g_app.Mute);
      ShowFlag(dialog, kAutoloadBox, g_app.Autoload);
      ShowFlag(dialog, kAutoplayBox, g_app.Autoplay);
      break;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam));
      break;
  }
  return 0;
}
