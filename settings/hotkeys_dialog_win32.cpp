#include "settings/settings_dialogs_win32.h"

#include <string>

#include "resources/resource_ids.h"
#include "settings/hotkey_choices.h"
#include "settings/hotkeys.h"

namespace {

constexpr int kBoxTextLength = 18;

int BoxId(int action, int field) {
  return HotkeyBoxId(action, field);
}

// Selects the entry whose text is exactly name, or nothing when there is none. CB_SELECTSTRING
// alone matches a prefix regardless of case, so an empty or hand-edited name would show (and OK
// would then store) some other key.
void SelectExactly(HWND dialog, int boxId, const std::string& name) {
  HWND box = GetDlgItem(dialog, boxId);
  LRESULT found = name.empty() ? CB_ERR
                               : SendMessageA(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(name.c_str()));
  if (found != CB_ERR) {
    char text[64] = "";
    if (SendMessageA(box, CB_GETLBTEXTLEN, found, 0) >= static_cast<LRESULT>(sizeof text) ||
        SendMessageA(box, CB_GETLBTEXT, found, reinterpret_cast<LPARAM>(text)) == CB_ERR ||
        name != text)
      found = CB_ERR;
  }
  SendMessageA(box, CB_SETCURSEL, found == CB_ERR ? static_cast<WPARAM>(-1) : found, 0);
}

void FillBoxes(HWND dialog) {
  for (int k = 0; k < kHotkeyActionCount; ++k) {
    for (int field = 0; field < kHotkeyBoxFields; ++field)
      for (int i : HotkeyBoxEntries(field))
        SendDlgItemMessageA(dialog, BoxId(k, field), CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(KeyNameTable[i].name));
    SelectExactly(dialog, BoxId(k, 0), HotkeyBindings[k].Name1);
    SelectExactly(dialog, BoxId(k, 1), HotkeyBindings[k].Name2);
    SelectExactly(dialog, BoxId(k, 2), HotkeyBindings[k].Name3);
  }
}

std::string BoxText(HWND dialog, int boxId) {
  char text[kBoxTextLength + 1] = "";
  SendDlgItemMessageA(dialog, boxId, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

void OnOk(HWND dialog) {
  HotkeyChoices choices;
  for (int k = 0; k < kHotkeyActionCount; ++k)
    for (int field = 0; field < kHotkeyBoxFields; ++field)
      choices[k][field] = BoxText(dialog, BoxId(k, field));
  int result = ApplyHotkeyChoices(choices);
  if (result >= 0) {
    EndDialog(dialog, 1);
    return;
  }
  // The dialog stays open with the user's choices for another try.
  std::string text = HotkeyRefusedMessage(result);
  // The box belongs to the dialog's owner, as every message box of the program does.
  if (!text.empty())
    MessageBoxA(GetWindow(dialog, GW_OWNER), text.c_str(), "Ошибка", MB_OK | MB_ICONERROR);
}

// Esc and the close shortcut send IDCANCEL, which is left unhandled: OK is the only way out.
INT_PTR CALLBACK HotkeysDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      FillBoxes(dialog);
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_HOTKEYS_OK) OnOk(dialog);
      break;
  }
  return 0;
}

}  // namespace

void ShowHotkeysDialog(HINSTANCE instance, HWND owner) {
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_HOTKEYS), owner, HotkeysDialogProc, 0);
}
