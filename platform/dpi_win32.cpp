#include "platform/dpi_win32.h"

namespace {

// Both calls came with Windows 10 1607; the program also runs on Windows 7 to 8.1, so they are
// looked up rather than imported.
using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiCall = int(WINAPI*)(int, UINT);

// Null where this user32 does not have it. Through void*, since FARPROC takes no arguments.
template <typename Call>
Call User32Call(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  FARPROC address = user32 ? GetProcAddress(user32, name) : nullptr;
  return reinterpret_cast<Call>(reinterpret_cast<void*>(address));
}

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT WindowDpi(HWND window) {
  static auto forWindow = User32Call<GetDpiForWindowCall>("GetDpiForWindow");
  UINT dpi = forWindow && window ? forWindow(window) : 0;
  return dpi ? dpi : SystemDpi();
}

int SmallIconSide(UINT dpi) {
  static auto forDpi = User32Call<GetSystemMetricsForDpiCall>("GetSystemMetricsForDpi");
  int side = forDpi ? forDpi(SM_CXSMICON, dpi) : 0;
  if (side > 0) return side;
  // Without the call, the system metric is for the system's DPI; scale it to the one asked for.
  return MulDiv(GetSystemMetrics(SM_CXSMICON), static_cast<int>(dpi),
                static_cast<int>(SystemDpi()));
}
