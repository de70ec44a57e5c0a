#include "platform/hotkey_registrar_win32.h"

#include <map>

#include "platform/platform.h"
#if defined(TUNLARK_WINELIB)
#include "platform/global_hotkeys_x11.h"
#endif

namespace {

HWND g_hotkeyWindow = nullptr;

#if defined(TUNLARK_WINELIB)
bool g_useKeyGrabs = false;

// Presses are read on the UI thread. A watcher thread blocks in poll() on the X connection and
// posts kPumpMessage to a message-only window of ours, so a press wakes the main loop's wait at
// once and modal loops (menu, dialogs, choosers, message boxes) deliver it too, with no timer
// waking the process while nothing happens. The watcher then waits for g_drained, which the UI
// thread sets after reading, since until then the socket stays readable.
constexpr UINT kPumpMessage = WM_APP + 0x4B;
HWND g_pumpWindow = nullptr;
HANDLE g_drained = nullptr;

// Only when the watcher cannot be started: a timer, which modal loops dispatch as well.
constexpr UINT_PTR kPumpTimerId = 0x544B;
constexpr UINT kPumpPeriodMs = 20;
#endif

struct Combination {
  UINT modifiers = 0;
  UINT keyCode = 0;
};
// By hotkey id, for the lParam of WM_HOTKEY; keyed rather than sized, so that the platform
// knows nothing of how many actions there are.
std::map<int, Combination> g_combinations;

class Win32HotkeyRegistrar : public HotkeyRegistrar {
 public:
  explicit Win32HotkeyRegistrar(HWND window) : window_(window) {}

  bool Register(int id, uint32_t modifiers, uint32_t keyCode) override {
    g_combinations[id] = {modifiers, keyCode};
#if defined(TUNLARK_WINELIB)
    if (g_useKeyGrabs) return GrabGlobalKey(id, modifiers, keyCode);
#endif
    // A name missing from the key table leaves code -1 (all bits set once combined), and a
    // virtual key 0 is none at all: refused here as the key grabs refuse them, rather than
    // whatever the system makes of them.
    if ((modifiers & ~uint32_t{MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN}) != 0 || keyCode == 0 ||
        keyCode > 0xFE)
      return false;
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
  auto found = g_combinations.find(id);
  Combination combination = found != g_combinations.end() ? found->second : Combination{};
  PostMessageA(g_hotkeyWindow, WM_HOTKEY, id,
               MAKELPARAM(combination.modifiers, combination.keyCode));
}

void CALLBACK PumpFromTimer(HWND, UINT, UINT_PTR, DWORD) {
  PumpGlobalHotkeys();
}

LRESULT CALLBACK PumpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kPumpMessage) return DefWindowProcA(window, message, wParam, lParam);
  PumpGlobalHotkeys();
  SetEvent(g_drained);
  return 0;
}

DWORD WINAPI WatchKeyConnection(void*) {
  while (WaitForGlobalKeyInput()) {
    if (!PostMessageA(g_pumpWindow, kPumpMessage, 0, 0)) break;
    WaitForSingleObject(g_drained, INFINITE);
  }
  return 0;
}

// CreateThread, not std::thread: a bare pthread crashes in Winelib once it calls Win32.
bool StartKeyWatcher(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = PumpWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "TunlarkHotkeyPump";
  if (!RegisterClassA(&windowClass)) return false;
  g_pumpWindow = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                 nullptr, instance, nullptr);
  if (!g_pumpWindow) return false;
  g_drained = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!g_drained) return false;
  HANDLE thread = CreateThread(nullptr, 0, WatchKeyConnection, nullptr, 0, nullptr);
  if (!thread) return false;
  CloseHandle(thread);
  return true;
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
  if (g_useKeyGrabs &&
      !StartKeyWatcher(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE))))
    SetTimer(window, kPumpTimerId, kPumpPeriodMs, PumpFromTimer);
#endif
  return new Win32HotkeyRegistrar(window);
}

void PumpGlobalHotkeys() {
#if defined(TUNLARK_WINELIB)
  if (g_useKeyGrabs) ReadGlobalKeyPresses(PostHotkey, nullptr);
#endif
}
