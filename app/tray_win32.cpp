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

// Kept between calls: TrayUpdate changes only what it is given. The wide record, so that a title
// the code page cannot spell is shown as it is.
NOTIFYICONDATAW g_tray;
bool g_shown = false;

void FillTrayHeader() {
  // The size of the record without the balloon icon, which Shell_NotifyIconW accepts for the
  // 32-bit and the 64-bit layout.
  g_tray.cbSize = NOTIFYICONDATAW_V3_SIZE;
  g_tray.hWnd = g_mainWindow;
  g_tray.uID = kTrayIconId;
  g_tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  g_tray.uCallbackMessage = kTrayCallbackMessage;
}

// The picture shown, and the side its icon was loaded at: the one the tray asks for at the
// window's DPI.
int g_trayIconId = IDI_STOPPED;
int g_iconSide = 0;

// Each icon is loaded once for the current side: looking one up costs several trips to the Wine
// server, and the monitor sets the tray 20 times a second while a track plays. The handles are the
// program's own (not shared resource icons), so that a new side can replace them.
std::map<int, HICON>& LoadedIcons() {
  static std::map<int, HICON> loaded;
  return loaded;
}

HICON TrayIconHandle(int iconId) {
  HICON& icon = LoadedIcons()[iconId];
  if (!icon) {
    icon = static_cast<HICON>(LoadImageW(g_instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                         g_iconSide, g_iconSide, LR_DEFAULTCOLOR));
  }
  return icon;
}

// Forgets the icons of another side; true when the side changed. Their handles stay valid until
// ReleaseOldIcons, after the tray has been given the new one.
bool ChooseIconSide(UINT dpi, std::map<int, HICON>* old) {
  int side = SmallIconSide(dpi);
  if (side == g_iconSide) return false;
  g_iconSide = side;
  old->swap(LoadedIcons());
  return true;
}

void ReleaseOldIcons(const std::map<int, HICON>& old) {
  for (const auto& entry : old) {
    if (entry.second) DestroyIcon(entry.second);
  }
}

static_assert(sizeof g_tray.szTip == kTrayTipSize * sizeof(char16_t),
              "the tooltip field of NOTIFYICONDATAW");

void SetTip(const std::u16string& text) {
  CopyTrayTip(text.c_str(), reinterpret_cast<char16_t(&)[kTrayTipSize]>(g_tray.szTip));
}

void Update(const std::u16string* text, int iconId) {
  HICON oldIcon = g_tray.hIcon;
  WCHAR oldTip[kTrayTipSize];
  std::memcpy(oldTip, g_tray.szTip, sizeof oldTip);
  FillTrayHeader();
  if (text != nullptr) SetTip(*text);
  if (iconId != -1) {
    g_trayIconId = iconId;
    g_tray.hIcon = TrayIconHandle(iconId);
  }
  // The monitor sets the tray on every pass, 20 times a second while a track plays. Passing an
  // unchanged icon and tooltip on to the shell would only make the tray host redraw, which cost
  // more than the playing itself under Wine.
  bool iconChanged = g_tray.hIcon != oldIcon;
  bool tipChanged = std::memcmp(g_tray.szTip, oldTip, sizeof oldTip) != 0;
  if (!iconChanged && !tipChanged) return;
  // Only what changed: a picture passed again is copied and repainted by the tray host, once a
  // second while the position in the tooltip moves on.
  g_tray.uFlags = NIF_MESSAGE | (iconChanged ? NIF_ICON : 0) | (tipChanged ? NIF_TIP : 0);
  if (g_shown) Shell_NotifyIconW(NIM_MODIFY, &g_tray);
}

BOOL CALLBACK PopTooltip(HWND window, LPARAM) {
  char name[32] = "";
  if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
      lstrcmpiA(name, TOOLTIPS_CLASSA) == 0) {
    // Bounded: the tray host is another process.
    SendMessageTimeoutA(window, TTM_POP, 0, 0, SMTO_ABORTIFHUNG, 100, nullptr);
  }
  return TRUE;
}

// The tray host's tooltip for the icon is a topmost window that stays over the first entries of
// the menu opening under the pointer, or shows up there when its hover delay ends after the
// click. While the menu is open the icon has no tooltip text, which a tooltip never shows, and
// the one already up is closed.
class HideTipDuringMenu {
 public:
  HideTipDuringMenu() {
    std::memcpy(tip_, g_tray.szTip, sizeof tip_);
    SetTip(u"");
    ModifyTip();
    EnumWindows(PopTooltip, 0);
  }
  ~HideTipDuringMenu() {
    std::memcpy(g_tray.szTip, tip_, sizeof tip_);
    ModifyTip();
  }

 private:
  static void ModifyTip() {
    FillTrayHeader();
    g_tray.uFlags = NIF_MESSAGE | NIF_TIP;
    if (g_shown) Shell_NotifyIconW(NIM_MODIFY, &g_tray);
  }
  WCHAR tip_[kTrayTipSize];
};

class Win32Tray : public TrayIcon {
 public:
  void Update(const char* text, int iconId) override { TrayUpdate(text, iconId); }
  void UpdateWide(const std::u16string& text, int iconId) override { ::Update(&text, iconId); }
};

}  // namespace

void TrayAdd() {
  TrayPrepare();
  TrayShow();
}

void TrayPrepare() {
  g_iconSide = SmallIconSide(WindowDpi(g_mainWindow));
  FillTrayHeader();
  g_trayIconId = IDI_STOPPED;
  g_tray.hIcon = TrayIconHandle(IDI_STOPPED);
  SetTip(WidenAnsi("Tunlark - остановлено "));
}

void TrayShow() {
  if (g_shown) return;
  FillTrayHeader();
  Shell_NotifyIconW(NIM_ADD, &g_tray);
  g_shown = true;
}

void TrayHide() {
  if (!g_shown) return;
  Shell_NotifyIconW(NIM_DELETE, &g_tray);
  g_shown = false;
}

void TrayUpdate(const char* text, int iconId) {
  if (text == nullptr) return Update(nullptr, iconId);
  std::u16string wide = WidenAnsi(text);
  Update(&wide, iconId);
}

void TrayDpiChanged(unsigned dpi) {
  std::map<int, HICON> old;
  if (!ChooseIconSide(dpi, &old)) return;
  FillTrayHeader();
  g_tray.uFlags = NIF_ICON;
  g_tray.hIcon = TrayIconHandle(g_trayIconId);
  if (g_shown) Shell_NotifyIconW(NIM_MODIFY, &g_tray);
  ReleaseOldIcons(old);
}

void TrayRecreated() {
  std::map<int, HICON> old;
  ChooseIconSide(WindowDpi(g_mainWindow), &old);
  FillTrayHeader();
  g_tray.hIcon = TrayIconHandle(g_trayIconId);
  // While a desktop's StatusNotifierItem host shows the player, the shell's icon stays away.
  if (g_shown) Shell_NotifyIconW(NIM_ADD, &g_tray);
  ReleaseOldIcons(old);
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
  HideTipDuringMenu hidden;
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, g_mainWindow,
                 nullptr);
  PostMessageA(g_mainWindow, WM_NULL, 0, 0);
  DestroyMenu(menu);
}

TrayIcon* Win32TrayIcon() {
  static Win32Tray tray;
  return &tray;
}
