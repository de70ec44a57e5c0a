#include "settings/settings_dialogs_win32.h"

#include "resources/resource_ids.h"
#include "settings/autostart.h"
#include "settings/option_boxes.h"

namespace {

constexpr int kOptionBoxes[] = {IDC_REPEAT, IDC_SHUFFLE, IDC_MUTE, IDC_AUTOLOAD, IDC_AUTOPLAY};

void OnCommand(HWND dialog, int id) {
  if (id == IDC_OPTIONS_OK) {
    EndDialog(dialog, 1);
    return;
  }
  ClickOptionBox(id, ApplyAutostart);
}

// Esc and the close shortcut send IDCANCEL, which is left unhandled: OK is the only way out.
INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      for (int box : kOptionBoxes)
        SendDlgItemMessageA(dialog, box, BM_SETCHECK,
                            OptionBoxChecked(box) ? BST_CHECKED : BST_UNCHECKED, 0);
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
