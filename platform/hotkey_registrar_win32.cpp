#include "platform/hotkey_registrar_win32.h"

#include <map>

#include "platform/platform.h"
#if defined(TUNLARK_WINELIB)
#include "platform/global_hotkeys_x11.h"
#endif

namespace {

#if defined(TUNLARK_WINELIB)
// Presses are read on the UI thread. A watcher thread blocks in poll() on the X connection and
// posts kPumpMessage to a message-only window of ours, so a press wakes the main loop's wait at
// once and modal loops (menu, dialogs, choosers, message boxes) deliver it too, with no timer
// waking the process while nothing happens. The watcher then waits for drained_, which the UI
// thread sets after reading, since until then the socket stays readable.
constexpr UINT kPumpMessage = WM_APP + 0x4B;

// Only when the watcher cannot be started: a timer, which modal loops dispatch as well.
constexpr UINT kPumpPeriodMs = 20;
#endif

struct Combination {
  UINT modifiers = 0;
  UINT keyCode = 0;
};

// In the Winelib build with an X display, RegisterHotKey is not called at all: the X grab is both
// the registration and the delivery. Wine's own hotkeys would add nothing but a second path for
// the same press whenever a Wine window has the focus, and a combination taken by another
// program, including another instance of ours, already fails the grab with BadAccess. Without a
// display (a test run without X) it falls back to RegisterHotKey.
class Win32HotkeyRegistrar : public HotkeyRegistrar {
 public:
  explicit Win32HotkeyRegistrar(HWND window) : window_(window) {
#if defined(TUNLARK_WINELIB)
    useKeyGrabs_ = keys_.Open();
    if (useKeyGrabs_ && !StartKeyWatcher()) StartPumpTimer();
#endif
  }

  bool Register(int id, uint32_t modifiers, uint32_t keyCode) override {
    combinations_[id] = {modifiers, keyCode};
#if defined(TUNLARK_WINELIB)
    if (useKeyGrabs_) {
      bool grabbed = keys_.Grab(id, modifiers, keyCode);
      // Presses Xlib took in while the grab waited for the server never make the socket
      // readable, so the watcher would not see them.
      PumpPresses();
      return grabbed;
    }
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
    if (useKeyGrabs_) return keys_.Ungrab(id);
#endif
    UnregisterHotKey(window_, id);
  }

 private:
#if defined(TUNLARK_WINELIB)
  void PumpPresses() {
    keys_.ReadPresses(PostHotkey, this);
  }

  static void PostHotkey(int id, void* context) {
    auto* self = static_cast<Win32HotkeyRegistrar*>(context);
    auto found = self->combinations_.find(id);
    Combination combination = found != self->combinations_.end() ? found->second : Combination{};
    PostMessageA(self->window_, WM_HOTKEY, id,
                 MAKELPARAM(combination.modifiers, combination.keyCode));
  }

  static LRESULT CALLBACK PumpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32HotkeyRegistrar*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self || message != kPumpMessage) return DefWindowProcA(window, message, wParam, lParam);
    self->PumpPresses();
    SetEvent(self->drained_);
    return 0;
  }

  static DWORD WINAPI WatchKeyConnection(void* context) {
    auto* self = static_cast<Win32HotkeyRegistrar*>(context);
    while (self->keys_.WaitForInput()) {
      if (!PostMessageA(self->pumpWindow_, kPumpMessage, 0, 0)) break;
      WaitForSingleObject(self->drained_, INFINITE);
    }
    return 0;
  }

  bool CreatePumpWindow() {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window_, GWLP_HINSTANCE));
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PumpWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "TunlarkHotkeyPump";
    if (!RegisterClassA(&windowClass)) return false;
    pumpWindow_ = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, instance, nullptr);
    if (!pumpWindow_) return false;
    SetWindowLongPtrA(pumpWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
  }

  // CreateThread, not std::thread: a bare pthread crashes in Winelib once it calls Win32.
  bool StartKeyWatcher() {
    if (!CreatePumpWindow()) return false;
    drained_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!drained_) return false;
    HANDLE thread = CreateThread(nullptr, 0, WatchKeyConnection, this, 0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
  }

  // The timer's id is the registrar, which its procedure has no other way to find.
  void StartPumpTimer() {
    SetTimer(window_, reinterpret_cast<UINT_PTR>(this), kPumpPeriodMs, PumpFromTimer);
  }

  static void CALLBACK PumpFromTimer(HWND, UINT, UINT_PTR id, DWORD) {
    reinterpret_cast<Win32HotkeyRegistrar*>(id)->PumpPresses();
  }

  GlobalKeyGrabs keys_;
  bool useKeyGrabs_ = false;
  HWND pumpWindow_ = nullptr;
  HANDLE drained_ = nullptr;
#endif

  HWND window_;
  // By hotkey id, for the lParam of WM_HOTKEY; keyed rather than sized, so that the platform
  // knows nothing of how many actions there are.
  std::map<int, Combination> combinations_;
};

}  // namespace

HotkeyRegistrar* CreateWin32HotkeyRegistrar(HWND window) {
  return new Win32HotkeyRegistrar(window);
}
