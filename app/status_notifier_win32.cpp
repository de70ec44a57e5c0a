#include "app/status_notifier_win32.h"

#include "app/tray_win32.h"
#include "platform/platform.h"

#if defined(TUNLARK_WINELIB)
#include <algorithm>
#include <atomic>
#include <string>

#include "app/desktop_tray.h"
#include "app/front_end_win32.h"
#include "app/media_controls_win32.h"
#include "app/shell_win32.h"
#include "platform/status_notifier.h"
#include "platform/status_notifier_linux.h"
#include "platform/wide_paths.h"
#include "platform/wide_paths_win32.h"
#include "resources/resource_ids.h"
#include "resources/tray_pictures.h"
#include "settings/hotkeys.h"

namespace {

// Enough for any burst a person or a desktop sends; a flood beyond it is refused with an error.
constexpr size_t kRequestCapacity = 64;
constexpr UINT kHostWaitMs = 2000;

// The entries of a Win32 menu, in its order.
std::vector<DesktopMenuEntry> EntriesOf(HMENU menu) {
  std::vector<DesktopMenuEntry> entries;
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    WCHAR label[256] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = label;
    info.cch = sizeof label / sizeof label[0] - 1;
    if (!GetMenuItemInfoW(menu, i, TRUE, &info)) continue;
    DesktopMenuEntry entry;
    if (info.fType & MFT_SEPARATOR) {
      entry.kind = DesktopMenuEntry::kSeparator;
    } else {
      entry.kind = info.hSubMenu ? DesktopMenuEntry::kSubmenu : DesktopMenuEntry::kCommand;
      entry.label = EncodeUtf8(DesktopMenuLabel(reinterpret_cast<const char16_t*>(label)));
      entry.command = info.hSubMenu ? 0 : static_cast<int>(info.wID);
      entry.checked = (info.fState & MFS_CHECKED) != 0;
      entry.enabled = (info.fState & MFS_DISABLED) == 0;
      if (info.hSubMenu) entry.children = EntriesOf(info.hSubMenu);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

// The menu the Win32 icon shows, read from the same resource.
DesktopMenu TrayMenu() {
  DesktopMenu menu;
  HMENU loaded = LoadMenuW(g_instance, MAKEINTRESOURCEW(IDR_TRAY_MENU));
  if (!loaded) return menu;
  menu.entries = EntriesOf(GetSubMenu(loaded, 0));
  DestroyMenu(loaded);
  NumberDesktopMenu(&menu);
  return menu;
}

TrayPicture PictureOf(int iconId) {
  for (const TrayPictureRecord& record : kTrayPictures) {
    if (record.iconId == iconId) return {16, record.pixels, kTrayPalette};
  }
  return {};
}

// The bytes of a resource; null when there is none. Resources stay mapped while the program runs.
const uint8_t* ResourceBytes(const WCHAR* name, const WCHAR* type, size_t* size) {
  HRSRC found = FindResourceW(g_instance, name, type);
  HGLOBAL loaded = found ? LoadResource(g_instance, found) : nullptr;
  *size = found ? SizeofResource(g_instance, found) : 0;
  return loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
}

// Every size the icon's resource is drawn at, as the .ico frames hold them; on the bus thread,
// once for each icon. The 16-pixel table's picture, enlarged, where the resource cannot be read.
std::vector<TrayPixmap> PixmapsOf(int iconId) {
  const WCHAR* kGroupIcon = MAKEINTRESOURCEW(14);  // RT_GROUP_ICON
  const WCHAR* kIcon = MAKEINTRESOURCEW(3);        // RT_ICON
  constexpr size_t kDirectorySize = 6, kEntrySize = 14;
  std::vector<TrayPixmap> pixmaps;
  size_t size = 0;
  const uint8_t* group = ResourceBytes(MAKEINTRESOURCEW(iconId), kGroupIcon, &size);
  size_t count = group && size >= kDirectorySize ? group[4] | group[5] << 8 : 0;
  for (size_t i = 0; i < count && kDirectorySize + (i + 1) * kEntrySize <= size; ++i) {
    const uint8_t* entry = group + kDirectorySize + i * kEntrySize;
    int imageId = entry[12] | entry[13] << 8;
    size_t imageSize = 0;
    const uint8_t* image = ResourceBytes(MAKEINTRESOURCEW(imageId), kIcon, &imageSize);
    TrayPixmap pixmap;
    if (image && TrayPixmapOfIconImage(image, imageSize, &pixmap))
      pixmaps.push_back(std::move(pixmap));
  }
  if (!pixmaps.empty()) return pixmaps;
  TrayPicture picture = PictureOf(iconId);
  if (picture.size > 0) {
    for (int side : kTrayPixmapSides) pixmaps.push_back(TrayPixmapOf(picture, side));
  }
  return pixmaps;
}

struct DesktopTray;

// The Win32 icon's record and the item, both told every change; the record not while the
// shell's icon is being taken away, since the shell answers nothing until then.
class BothTrays : public TrayIcon {
 public:
  explicit BothTrays(const DesktopTray& tray) : tray_(tray) {}
  void Update(const char* text, int iconId) override {
    if (!ShellHiding()) Win32TrayIcon()->Update(text, iconId);
    Tell(text ? WidenAnsi(text) : u"", text != nullptr, iconId);
  }
  void UpdateWide(const std::u16string& text, int iconId) override {
    if (!ShellHiding()) Win32TrayIcon()->UpdateWide(text, iconId);
    Tell(text, true, iconId);
  }
  // The record catches up with what it missed meanwhile.
  void RecordLatest() { Win32TrayIcon()->UpdateWide(tip_.Text(), tip_.Icon()); }
  void Tell(const std::u16string& text, bool hasText, int iconId) {
    if (tip_.Tell(text, hasText, iconId)) Publish();
  }
  void NameTrack(const std::u16string& name, const std::u16string& fileTitle) {
    if (tip_.NameTrack(name, fileTitle)) Publish();
  }

 private:
  bool ShellHiding() const;
  void Publish();

  const DesktopTray& tray_;
  DesktopTrayTip tip_;
};

struct DesktopTray {
  HWND window = nullptr;
  TrayRequestQueue requests{kRequestCapacity};
  StatusNotifierBus* item = nullptr;
  bool hostKnown = false;
  bool win32Shown = false;  // TrayShow called and no hide begun since
  // The thread taking the shell's icon away, until the window has heard that it finished.
  HANDLE shellHide = nullptr;
  // Set by that thread once the shell has answered, just before it tells the window.
  std::atomic<bool> shellHideDone{false};
  BothTrays trays{*this};
};

// One per process, as the window is: the window procedure's handlers and the platform's set-up
// reach it through this file's free functions, which are handed only the window.
DesktopTray g_tray;

bool BothTrays::ShellHiding() const {
  return tray_.shellHide != nullptr;
}

void BothTrays::Publish() {
  if (tray_.item) tray_.item->Publish(tip_.Icon(), tip_.Tip());
}

// On the bus thread.
bool PostRequest(DesktopTray& tray, const TrayRequest& request) {
  return tray.requests.Push(
      request, [&tray] { return PostMessageA(tray.window, kTrayRequestMessage, 0, 0) != 0; });
}

// On the bus thread.
void HostChanged(const DesktopTray& tray, bool registered) {
  PostMessageA(tray.window, kTrayHostMessage, registered ? 1 : 0, 0);
}

// Wine's shell answers the removal of an icon docked in an X tray only once the window manager
// has withdrawn its window, up to 2 s later; on the window's thread that held up every request
// from the desktop meanwhile. The removal runs on a thread of its own, with a record of the icon's
// own, and tells the window when it is done.
DWORD WINAPI RemoveShellIcon(void* parameter) {
  DesktopTray& tray = *static_cast<DesktopTray*>(parameter);
  NOTIFYICONDATAW icon = {};
  icon.cbSize = NOTIFYICONDATAW_V3_SIZE;
  icon.hWnd = tray.window;
  icon.uID = 0;  // the Win32 icon's id
  Shell_NotifyIconW(NIM_DELETE, &icon);
  tray.shellHideDone = true;
  PostMessageA(tray.window, kTrayRequestMessage, 0, 0);
  return 0;
}

void BeginShellHide(DesktopTray& tray) {
  if (!tray.win32Shown || tray.shellHide) return;
  tray.win32Shown = false;
  tray.shellHideDone = false;
  tray.shellHide = CreateThread(nullptr, 0, RemoveShellIcon, &tray, 0, nullptr);
  // Without a thread the window waits, as it always did.
  if (!tray.shellHide) TrayHide();
}

// Once the thread is done (with wait, after waiting for it), the record learns that the icon is
// gone; TrayHide finds nothing left for the shell to take away and returns at once.
void FinishShellHide(DesktopTray& tray, bool wait) {
  if (!tray.shellHide || (!wait && !tray.shellHideDone)) return;
  // Without wait the thread has only its return left.
  WaitForSingleObject(tray.shellHide, INFINITE);
  CloseHandle(tray.shellHide);
  tray.shellHide = nullptr;
  TrayHide();
  tray.trays.RecordLatest();
}

void ShowShellIcon(DesktopTray& tray) {
  // A watcher that left while its icon was being taken away: the removal ends first.
  FinishShellHide(tray, true);
  tray.win32Shown = true;
  TrayShow();
}

}  // namespace

BusCompanion* StartDesktopTray(HWND window) {
  g_tray.window = window;
  g_tray.requests.Hold();
  TrayPrepare();
  StatusNotifierSetup setup;
  setup.id = "tunlark";
  setup.title = "Tunlark";
  setup.menu = TrayMenu();
  setup.pixmapsOf = PixmapsOf;
  setup.post = [](const TrayRequest& request) { return PostRequest(g_tray, request); };
  setup.hostChanged = [](bool registered) { HostChanged(g_tray, registered); };
  setup.wake = WakeMediaControls;
  static StatusNotifierBus item(std::move(setup));
  g_tray.item = &item;
  g_tray.trays.Tell(WidenAnsi("Tunlark - остановлено "), true, IDI_STOPPED);
  SetTimer(window, kTrayHostTimer, kHostWaitMs, nullptr);
  return g_tray.item;
}

void OnTrayHostChanged(bool registered) {
  g_tray.hostKnown = true;
  if (registered) {
    BeginShellHide(g_tray);
  } else {
    ShowShellIcon(g_tray);
  }
}

void OnTrayHostTimer(HWND window) {
  KillTimer(window, kTrayHostTimer);
  if (!g_tray.hostKnown) ShowShellIcon(g_tray);
}

// Each request runs the row of the menu item or hotkey it stands for, and publishes what it
// changed right after it, as the window procedure does after a command.
void RunTrayRequests(HWND window) {
  FinishShellHide(g_tray, false);
  if (ExitRequested()) return;
  Win32FrontEnd frontEnd(window);
  RunDesktopTrayRequests(g_tray.requests.TakeAll(), frontEnd, PublishMediaState,
                         [window](const TrayRequest& request) {
                           ShowTrayMenu(request.x, request.y);
                           // Gives the window a message to process after the menu has closed,
                           // as the Win32 icon's does.
                           PostMessageA(window, WM_USER, request.x, request.y);
                         });
}

void ReleaseTrayRequests(HWND window) {
  if (g_tray.requests.Release()) PostMessageA(window, kTrayRequestMessage, 0, 0);
}

TrayIcon* DesktopTrayIcon() {
  return &g_tray.trays;
}

void NameTrackInDesktopTray(const std::string& name, const std::u16string& fileTitle) {
  std::u16string wide;
  if (!DecodeUtf8(name, &wide)) wide.clear();
  g_tray.trays.NameTrack(wide, fileTitle);
}

#else

BusCompanion* StartDesktopTray(HWND) {
  TrayAdd();
  return nullptr;
}
void OnTrayHostChanged(bool) {}
void OnTrayHostTimer(HWND window) {
  KillTimer(window, kTrayHostTimer);
}
void RunTrayRequests(HWND) {}
void ReleaseTrayRequests(HWND) {}
TrayIcon* DesktopTrayIcon() {
  return Win32TrayIcon();
}
void NameTrackInDesktopTray(const std::string&, const std::u16string&) {}

#endif
