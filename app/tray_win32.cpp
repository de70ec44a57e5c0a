#include "app/tray_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <map>

#include "platform/platform.h"
#include "app/shell_win32.h"
#include "app/tray_tip.h"
#include "platform/dpi_win32.h"
#include "platform/wide_paths_win32.h"
#include "resources/resource_ids.h"

namespace {

constexpr UINT kTrayIconId = 0;

static_assert(sizeof(NOTIFYICONDATAW::szTip) == kTrayTipSize * sizeof(char16_t),
              "the tooltip field of NOTIFYICONDATAW");

BOOL CALLBACK PopTooltip(HWND window, LPARAM) {
  char name[32] = "";
  if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
      lstrcmpiA(name, TOOLTIPS_CLASSA) == 0) {
    // Bounded: the tray host is another process.
    SendMessageTimeoutA(window, TTM_POP, 0, 0, SMTO_ABORTIFHUNG, 100, nullptr);
  }
  return TRUE;
}

void ReleaseIcons(const std::map<int, HICON>& icons) {
  for (const auto& entry : icons) {
    if (entry.second) DestroyIcon(entry.second);
  }
}

// The main window's icon in the Win32 tray. Kept between calls: an update changes only what it is
// given. The wide record, so that a title the code page cannot spell is shown as it is.
class Win32Tray : public TrayIcon {
 public:
  void Update(const char* text, int iconId) override {
    if (text == nullptr) return Change(nullptr, iconId);
    std::u16string wide = WidenAnsi(text);
    Change(&wide, iconId);
  }
  void UpdateWide(const std::u16string& text, int iconId) override { Change(&text, iconId); }

  void Prepare() {
    iconSide_ = SmallIconSide(WindowDpi(g_mainWindow));
    FillHeader();
    iconId_ = IDI_STOPPED;
    record_.hIcon = IconHandle(IDI_STOPPED);
    SetTip(WidenAnsi("Tunlark - остановлено "));
  }

  void Show() {
    if (shown_) return;
    FillHeader();
    Shell_NotifyIconW(NIM_ADD, &record_);
    shown_ = true;
  }

  void Hide() {
    if (!shown_) return;
    Shell_NotifyIconW(NIM_DELETE, &record_);
    shown_ = false;
  }

  void DpiChanged(unsigned dpi) {
    std::map<int, HICON> old;
    if (!ChooseIconSide(dpi, &old)) return;
    FillHeader();
    record_.uFlags = NIF_ICON;
    record_.hIcon = IconHandle(iconId_);
    if (shown_) Shell_NotifyIconW(NIM_MODIFY, &record_);
    ReleaseIcons(old);
  }

  void Recreated() {
    std::map<int, HICON> old;
    ChooseIconSide(WindowDpi(g_mainWindow), &old);
    FillHeader();
    record_.hIcon = IconHandle(iconId_);
    // While a desktop's StatusNotifierItem host shows the player, the shell's icon stays away.
    if (shown_) Shell_NotifyIconW(NIM_ADD, &record_);
    ReleaseIcons(old);
  }

  // The tray host's tooltip for the icon is a topmost window that stays over the first entries of
  // the menu opening under the pointer, or shows up there when its hover delay ends after the
  // click. While the menu is open the icon has no tooltip text, which a tooltip never shows, and
  // the one already up is closed.
  class HiddenTip {
   public:
    explicit HiddenTip(Win32Tray& tray) : tray_(tray) {
      std::memcpy(tip_, tray_.record_.szTip, sizeof tip_);
      tray_.SetTip(u"");
      tray_.ModifyTip();
      EnumWindows(PopTooltip, 0);
    }
    ~HiddenTip() {
      std::memcpy(tray_.record_.szTip, tip_, sizeof tip_);
      tray_.ModifyTip();
    }

   private:
    Win32Tray& tray_;
    WCHAR tip_[kTrayTipSize];
  };

 private:
  void FillHeader() {
    // The size of the record without the balloon icon, which Shell_NotifyIconW accepts for the
    // 32-bit and the 64-bit layout.
    record_.cbSize = NOTIFYICONDATAW_V3_SIZE;
    record_.hWnd = g_mainWindow;
    record_.uID = kTrayIconId;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = kTrayCallbackMessage;
  }

  // Each icon is loaded once for the current side: looking one up costs several trips to the Wine
  // server, and the monitor sets the tray 20 times a second while a track plays. The handles are
  // the program's own (not shared resource icons), so that a new side can replace them.
  HICON IconHandle(int iconId) {
    HICON& icon = loaded_[iconId];
    if (!icon) {
      icon = static_cast<HICON>(LoadImageW(g_instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                           iconSide_, iconSide_, LR_DEFAULTCOLOR));
    }
    return icon;
  }

  // Forgets the icons of another side; true when the side changed. Their handles stay valid until
  // ReleaseIcons, after the tray has been given the new one.
  bool ChooseIconSide(UINT dpi, std::map<int, HICON>* old) {
    int side = SmallIconSide(dpi);
    if (side == iconSide_) return false;
    iconSide_ = side;
    old->swap(loaded_);
    return true;
  }

  void SetTip(const std::u16string& text) {
    CopyTrayTip(text.c_str(), reinterpret_cast<char16_t(&)[kTrayTipSize]>(record_.szTip));
  }

  void ModifyTip() {
    FillHeader();
    record_.uFlags = NIF_MESSAGE | NIF_TIP;
    if (shown_) Shell_NotifyIconW(NIM_MODIFY, &record_);
  }

  void Change(const std::u16string* text, int iconId) {
    HICON oldIcon = record_.hIcon;
    WCHAR oldTip[kTrayTipSize];
    std::memcpy(oldTip, record_.szTip, sizeof oldTip);
    FillHeader();
    if (text != nullptr) SetTip(*text);
    if (iconId != -1) {
      iconId_ = iconId;
      record_.hIcon = IconHandle(iconId);
    }
    // The monitor sets the tray on every pass, 20 times a second while a track plays. Passing an
    // unchanged icon and tooltip on to the shell would only make the tray host redraw, which cost
    // more than the playing itself under Wine.
    bool iconChanged = record_.hIcon != oldIcon;
    bool tipChanged = std::memcmp(record_.szTip, oldTip, sizeof oldTip) != 0;
    if (!iconChanged && !tipChanged) return;
    // Only what changed: a picture passed again is copied and repainted by the tray host, once a
    // second while the position in the tooltip moves on.
    record_.uFlags = NIF_MESSAGE | (iconChanged ? NIF_ICON : 0) | (tipChanged ? NIF_TIP : 0);
    if (shown_) Shell_NotifyIconW(NIM_MODIFY, &record_);
  }

  NOTIFYICONDATAW record_ = {};
  bool shown_ = false;
  // The picture shown, and the side its icon was loaded at: the one the tray asks for at the
  // window's DPI.
  int iconId_ = IDI_STOPPED;
  int iconSide_ = 0;
  std::map<int, HICON> loaded_;
};

// The one icon of the one main window. The window procedure, the desktop tray's glue and
// shut-down reach it through the functions below, which take no tray.
Win32Tray& TheTray() {
  static Win32Tray tray;
  return tray;
}

}  // namespace

void TrayAdd() {
  TrayPrepare();
  TrayShow();
}

void TrayPrepare() {
  TheTray().Prepare();
}

void TrayShow() {
  TheTray().Show();
}

void TrayHide() {
  TheTray().Hide();
}

void TrayUpdate(const char* text, int iconId) {
  TheTray().Update(text, iconId);
}

void TrayDpiChanged(unsigned dpi) {
  TheTray().DpiChanged(dpi);
}

void TrayRecreated() {
  TheTray().Recreated();
}

void TrayRemove() {
  TrayHide();
}

void ShowTrayMenu(int x, int y) {
  // A menu whose owner is not the foreground window is not closed by Escape or a click outside
  // it; the message after it lets the next menu open and close as well.
  SetForegroundWindow(g_mainWindow);
  HMENU menu = LoadMenuA(g_instance, MAKEINTRESOURCEA(IDR_TRAY_MENU));
  HMENU popup = GetSubMenu(menu, 0);
  Win32Tray::HiddenTip hidden(TheTray());
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, g_mainWindow,
                 nullptr);
  PostMessageA(g_mainWindow, WM_NULL, 0, 0);
  DestroyMenu(menu);
}

TrayIcon* Win32TrayIcon() {
  return &TheTray();
}
