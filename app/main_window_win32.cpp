// The hidden main window and its window procedure: a flat dispatcher that decodes each message
// and calls the operation that does the work.
#include <windows.h>

#include "app/commands.h"
#include "app/front_end_win32.h"
#include "app/main_window_win32.h"
#include "app/media_controls_win32.h"
#include "platform/dpi_win32.h"
#include "platform/platform.h"
#include "app/shell_win32.h"
#include "app/status_notifier_win32.h"
#include "app/tray_win32.h"
#include "resources/resource_ids.h"
#include "platform/hotkey_registrar_win32.h"

namespace {

constexpr int kWindowSize = 100;

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
}

// Ids outside the table are ignored.
void OnCommand(HWND window, int id) {
  Win32FrontEnd frontEnd(window);
  RunMenuCommand(id, frontEnd);
}

void OnHotkey(HWND window, int id) {
  Win32FrontEnd frontEnd(window);
  RunHotkeyCommand(id, frontEnd);
}

void OnTrayMouse(HWND window, WPARAM iconId, LPARAM mouseMessage) {
  if (iconId != 0 || mouseMessage != WM_RBUTTONDOWN) return;
  POINT cursor;
  GetCursorPos(&cursor);
  ShowTrayMenu(cursor.x, cursor.y);
  // Gives the window a message to process after the menu has closed.
  PostMessageA(window, WM_USER, cursor.x, cursor.y);
}

// The window is hidden, so only another program sends these; end as "Выход" does, through
// ShutDown, rather than run on without a window.
void OnCloseRequest() {
  RequestExit();
}

}  // namespace

MainWindowState* MainWindowStateOf(HWND window) {
  return window == g_mainWindow
             ? reinterpret_cast<MainWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA))
             : nullptr;
}

bool CreateMainWindow(HINSTANCE instance, const std::string& launchPath) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_WINDOW));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kWindowClassName;
  RegisterClassA(&windowClass);

  int width = GetSystemMetrics(SM_CXFULLSCREEN);
  int height = GetSystemMetrics(SM_CYFULLSCREEN);
  HWND window = CreateWindowExA(WS_EX_TOPMOST, kWindowClassName, kWindowClassName, WS_POPUP,
                                (width - width / 4) / 2, (height - height / 4) / 2, kWindowSize,
                                kWindowSize, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return false;
  // Lives as long as the window, which the process never destroys.
  auto* state = new MainWindowState;
  state->taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  g_mainWindow = window;
  g_platform.hotkeys = CreateWin32HotkeyRegistrar(window);

  // The bus before StartUp: whether the desktop's tray took the icon is known, and the Win32
  // icon shown when not, also while StartUp's error message is open.
  BusCompanion* desktopTray = StartDesktopTray(window);
  StartMediaControls(window, desktopTray);
  StartUp(launchPath);
  // Held until now, so that none runs inside StartUp's error box, before the audio library is
  // open.
  ReleaseMediaRequests(window);
  ReleaseTrayRequests(window);
  return true;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Messages sent while the window is being created go to the default handler.
  if (g_mainWindow == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  MainWindowState* state = MainWindowStateOf(window);
  if (state && message == state->taskbarCreatedMessage && message != 0) {
    TrayRecreated();
    return 0;
  }
  switch (message) {
    case WM_PAINT:
      OnPaint(window);
      return 0;
    // After each command the media controls learn what changed, also while a modal loop (the
    // tray menu, a dialog) dispatches it.
    // TRUE tells the sender its path was taken.
    case WM_COPYDATA: {
      bool taken = ReceiveHandOver(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      PublishMediaState();
      return taken ? TRUE : FALSE;
    }
    case WM_COMMAND:
      OnCommand(window, LOWORD(wParam));
      PublishMediaState();
      return 0;
    case WM_HOTKEY:
      OnHotkey(window, static_cast<int>(wParam));
      PublishMediaState();
      return 0;
    case kMediaRequestMessage:
      RunMediaRequests(window);
      return 0;
    case kTrayRequestMessage:
      RunTrayRequests(window);
      return 0;
    case kTrayHostMessage:
      OnTrayHostChanged(wParam != 0);
      return 0;
    case WM_TIMER:
      if (wParam != kTrayHostTimer) return DefWindowProcA(window, message, wParam, lParam);
      OnTrayHostTimer(window);
      return 0;
    case kTrayCallbackMessage:
      OnTrayMouse(window, wParam, lParam);
      return 0;
    // The window stays hidden, so the suggested new rectangle is of no use.
    case kDpiChangedMessage:
      TrayDpiChanged(LOWORD(wParam));
      return 0;
    case WM_CLOSE:
    case WM_DESTROY:
      OnCloseRequest();
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
