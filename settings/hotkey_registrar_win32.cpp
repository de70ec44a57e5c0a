#include "settings/hotkey_registrar_win32.h"

#include "app/platform.h"
#if defined(TUNLARK_WINELIB)
#include "settings/global_hotkeys_x11.h"
#endif

namespace {

HWND g_hotkeyWindow = nullptr;

#if defined(TUNLARK_WINELIB)
bool g_useKeyGrabs = false;

// Modal loops dispatch WM_TIMER too, so this keeps hotkeys alive while the main loop waits for a
// dialog. The id is one the window procedure never uses for its own timers.
constexpr UINT_PTR kPumpTimerId = 0x544B;
constexpr UINT kPumpPeriodMs = 20;
#endif

struct Combination {
  UINT modifiers = 0;
  UINT keyCode = 0;
};
Combination g_combinations[13];  // by hotkey id, for the lParam of WM_HOTKEY

class Win32HotkeyRegistrar : public HotkeyRegistrar {
 public:
  explicit Win32HotkeyRegistrar(HWND window) : window_(window) {}

  bool Register(int id, uint32_t modifiers, uint32_t keyCode) override {
    if (id >= 1 && id <= 12) g_combinations[id] = {modifiers, keyCode};
#if defined(TUNLARK_WINELIB)
    if (g_useKeyGrabs) return GrabGlobalKey(id, modifiers, keyCode);
#endif
    return RegisterHotKey(window_, id, modifiers, keyCode) != FALSE;
  }

  void Unregister(int id) override {
#if defined(TUNLARK_WINELIB)
    if (g_useKeyGrabs) return UngrabGlobalKey(id);
#endif
    UnregisterHotKey(window_, id);
  }

 private:
  HWND window_;
};

#if defined(TUNLARK_WINELIB)
void PostHotkey(int id, void*) {
  Combination combination = (id >= 1 && id <= 12) ? g_combinations[id] : Combination{};
  PostMessageA(g_hotkeyWindow, WM_HOTKEY, id,
               MAKELPARAM(combination.modifiers, combination.keyCode));
}

void CALLBACK PumpFromTimer(HWND, UINT, UINT_PTR, DWORD) {
  PumpGlobalHotkeys();
}
#endif

}  // namespace

// In the Winelib build with an X display, RegisterHotKey is not called at all: the X grab is both
// the registration and the delivery. Wine's own hotkeys would add nothing but a second path for
// the same press whenever a Wine window has the focus, and a combination taken by another
// program, including another instance of ours, already fails the grab with BadAccess. Without a
// display (a test run without X) it falls back to RegisterHotKey.
HotkeyRegistrar* CreateWin32HotkeyRegistrar(HWND window) {
  g_hotkeyWindow = window;
#if defined(TUNLARK_WINELIB)
  g_useKeyGrabs = OpenGlobalKeyDisplay();
  if (g_useKeyGrabs) SetTimer(window, kPumpTimerId, kPumpPeriodMs, PumpFromTimer);
#endif
  return new Win32HotkeyRegistrar(window);
}

void PumpGlobalHotkeys() {
#if defined(TUNLARK_WINELIB)
  if (g_useKeyGrabs) ReadGlobalKeyPresses(PostHotkey, nullptr);
#endif
}
