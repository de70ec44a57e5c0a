#include "app/tray_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <map>

#include "platform/platform.h"
#include "app/shell_win32.h"
#include "app/tray_tip.h"
#include "resources/resource_ids.h"

namespace {

constexpr UINT kTrayIconId = 0;

// Kept between calls: TrayUpdate changes only what it is given.
NOTIFYICONDATAA g_tray;

void FillTrayHeader() {
  // The size of the record without the balloon icon: 504 bytes on 32-bit Windows, and what
  // Shell_NotifyIconA accepts for the 64-bit layout too.
  g_tray.cbSize = NOTIFYICONDATAA_V3_SIZE;
  g_tray.hWnd = g_mainWindow;
  g_tray.uID = kTrayIconId;
  g_tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  g_tray.uCallbackMessage = kTrayCallbackMessage;
}

// Icon resources are shared: the same id always gives the same handle, so each is looked up once.
// Looking one up costs several trips to the Wine server, 20 times a second while a track plays.
HICON TrayIconHandle(int iconId) {
  static std::map<int, HICON> loaded;
  HICON& icon = loaded[iconId];
  if (!icon) icon = LoadIconA(g_instance, MAKEINTRESOURCEA(iconId));
  return icon;
}

void SetTip(const char* text) {
  static_assert(sizeof g_tray.szTip == kTrayTipSize, "the tooltip field of NOTIFYICONDATAA");
  CopyTrayTip(text, g_tray.szTip);
}

class Win32Tray : public TrayIcon {
 public:
  void Update(const char* text, int iconId) override { TrayUpdate(text, iconId); }
};

}  // namespace

void TrayAdd() {
  FillTrayHeader();
  g_tray.hIcon = TrayIconHandle(IDI_STOPPED);
  SetTip("Tunlark - остановлено ");
  Shell_NotifyIconA(NIM_ADD, &g_tray);
}

void TrayUpdate(const char* text, int iconId) {
  HICON oldIcon = g_tray.hIcon;
  char oldTip[sizeof g_tray.szTip];
  std::memcpy(oldTip, g_tray.szTip, sizeof oldTip);
  FillTrayHeader();
  if (text != nullptr) SetTip(text);
  if (iconId != -1) g_tray.hIcon = TrayIconHandle(iconId);
  // The monitor sets the tray on every pass, 20 times a second while a track plays. Passing an
  // unchanged icon and tooltip on to the shell would only make the tray host redraw, which cost
  // more than the playing itself under Wine.
  bool iconChanged = g_tray.hIcon != oldIcon;
  bool tipChanged = std::memcmp(g_tray.szTip, oldTip, sizeof oldTip) != 0;
  if (!iconChanged && !tipChanged) return;
  // Only what changed: a picture passed again is copied and repainted by the tray host, once a
  // second while the position in the tooltip moves on.
  g_tray.uFlags = NIF_MESSAGE | (iconChanged ? NIF_ICON : 0) | (tipChanged ? NIF_TIP : 0);
  Shell_NotifyIconA(NIM_MODIFY, &g_tray);
}

void TrayRemove() {
  Shell_NotifyIconA(NIM_DELETE, &g_tray);
}

void ShowTrayMenu(int x, int y) {
  SetForegroundWindow(g_mainWindow);
  HMENU menu = LoadMenuA(g_instance, MAKEINTRESOURCEA(IDR_TRAY_MENU));
  HMENU popup = GetSubMenu(menu, 0);
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, g_mainWindow,
                 nullptr);
  DestroyMenu(menu);
}

TrayIcon* Win32TrayIcon() {
  static Win32Tray tray;
  return &tray;
}
