// Looks at and drives the player's dialogs from another process, by messages to their controls,
// for the dialog tests. Windows are found by their caption; captions and texts are UTF-8 on the
// command line and on standard output. Wide text stays in WCHAR arrays: with Winelib's 16-bit
// wchar_t the library's std::wstring cannot be used. Exit code 0 when done or true, 1 when not, 2
// on bad usage.
//   probe wait TITLE MS          a visible window with this caption appears within MS
//   probe gone TITLE MS          no visible window with this caption within MS
//   probe click TITLE ID         BM_CLICK on the control (waits for its handler)
//   probe command TITLE ID       posts WM_COMMAND for the control (returns at once)
//   probe checked TITLE ID       prints 1 or 0
//   probe select TITLE ID TEXT   selects the combo box entry that is exactly TEXT
//   probe selected TITLE ID      prints the combo box's text
//   probe count TITLE            prints how many visible windows have this caption
//   probe text TITLE             prints the texts of the window's static controls, one per line
//   probe player-command ID      posts the menu command ID to the player's window
//   probe rect TITLE ID          prints the control's screen rectangle as "x y width height"
//                                (ID 0: the window's own)
//   probe tree-rect              the same for the tree view of the folder browser
//   probe fit TITLE DPI          "awareness A base X Y client W H": the window's DPI awareness
//                                (0 unaware, 1 system, 2 per monitor), the dialog base units of
//                                its font at the DPI, its client size; then for each control with
//                                text "ID CLASS NEEDW ROOMW NEEDH ROOMH": the pixels the text needs
//                                in that font and the room its control gives it. (Wine answers
//                                GetDpiForWindow for another process's window with its own idea.)
//   probe player MS              the player's (hidden) window exists within MS
//   probe tree-dialog MS         a visible dialog with a tree view (the folder browser) appears
#include <windows.h>

#include <cstdio>

namespace {

void PrintUtf8(const WCHAR* text) {
  char bytes[4096] = "";
  WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
  printf("%s\n", bytes);
}

// The text of a window, also of one in another process.
void GetText(HWND window, WCHAR (&text)[1024]) {
  text[0] = 0;
  SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
}

int Number(const WCHAR* text) {
  int value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + (*text - '0');
  return value;
}

struct Search {
  const WCHAR* title;
  bool needTree;
  bool countAll;
  HWND found;
  int count;
};

BOOL CALLBACK FindTree(HWND child, LPARAM found) {
  WCHAR className[64] = {};
  GetClassNameW(child, className, 64);
  if (lstrcmpW(className, L"SysTreeView32") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

HWND TreeOf(HWND window) {
  HWND tree = nullptr;
  EnumChildWindows(window, FindTree, reinterpret_cast<LPARAM>(&tree));
  return tree;
}

int PrintRect(HWND window) {
  RECT rect;
  if (!window || !GetWindowRect(window, &rect)) return 1;
  printf("%ld %ld %ld %ld\n", static_cast<long>(rect.left), static_cast<long>(rect.top),
         static_cast<long>(rect.right - rect.left), static_cast<long>(rect.bottom - rect.top));
  return 0;
}

BOOL CALLBACK Match(HWND window, LPARAM parameter) {
  Search* search = reinterpret_cast<Search*>(parameter);
  if (!IsWindowVisible(window)) return TRUE;
  if (search->needTree) {
    if (!TreeOf(window)) return TRUE;
  } else {
    WCHAR text[1024];
    GetText(window, text);
    if (lstrcmpW(text, search->title) != 0) return TRUE;
  }
  search->found = window;
  ++search->count;
  return search->countAll ? TRUE : FALSE;
}

HWND Find(const WCHAR* title, bool needTree = false) {
  Search search = {title, needTree, false, nullptr, 0};
  EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int Count(const WCHAR* title) {
  Search search = {title, false, true, nullptr, 0};
  EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

HWND WaitFor(const WCHAR* title, int ms, bool needTree = false) {
  for (DWORD end = GetTickCount() + ms;; Sleep(50)) {
    HWND window = Find(title, needTree);
    if (window || GetTickCount() > end) return window;
  }
}

BOOL CALLBACK PrintStatic(HWND child, LPARAM) {
  WCHAR className[64] = {};
  GetClassNameW(child, className, 64);
  if (lstrcmpiW(className, L"Static") == 0) {
    WCHAR text[1024];
    GetText(child, text);
    if (text[0]) PrintUtf8(text);
  }
  return TRUE;
}

// The room a control leaves for its text, in pixels at the DPI: a check box's mark, a group
// box's frame and a combo box's button take their share; the margins are Wine's and Windows'
// at 100 %, scaled.
int TextRoom(HWND control, const WCHAR* className, UINT dpi, int baseX) {
  RECT client;
  GetClientRect(control, &client);
  auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
  LONG style = GetWindowLongW(control, GWL_STYLE);
  if (lstrcmpiW(className, L"Button") == 0) {
    switch (style & BS_TYPEMASK) {
      case BS_GROUPBOX:
        return client.right - 2 * baseX;
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
        return client.right - scaled(13 + 4);
      default:
        return client.right - scaled(2 * 3);
    }
  }
  if (lstrcmpiW(className, L"ComboBox") == 0) {
    return client.right - GetSystemMetricsForDpi(SM_CXVSCROLL, dpi) - scaled(2 * 3);
  }
  return client.right;
}

struct Measure {
  HDC dc;
  UINT dpi;
  int baseX;
};

BOOL CALLBACK PrintFit(HWND control, LPARAM parameter) {
  const Measure& measure = *reinterpret_cast<const Measure*>(parameter);
  WCHAR className[64] = {};
  GetClassNameW(control, className, 64);
  WCHAR text[1024];
  GetText(control, text);
  // What is drawn: "&x" underlines x, "&&" is one '&'.
  WCHAR shown[1024];
  int length = 0;
  for (const WCHAR* c = text; *c; ++c) {
    if (*c == '&' && *++c == 0) break;
    shown[length++] = *c;
  }
  if (length == 0) return TRUE;
  SIZE need;
  GetTextExtentPoint32W(measure.dc, shown, length, &need);
  RECT client;
  GetClientRect(control, &client);
  char name[64] = "";
  WideCharToMultiByte(CP_UTF8, 0, className, -1, name, sizeof name, nullptr, nullptr);
  printf("%d %s %ld %d %ld %ld\n", GetDlgCtrlID(control), name, static_cast<long>(need.cx),
         TextRoom(control, className, measure.dpi, measure.baseX), static_cast<long>(need.cy),
         static_cast<long>(client.bottom));
  return TRUE;
}

// Measures in the dialog's own font: the one the dialog manager makes from the template's
// "MS Shell Dlg" at 8 points for the window's DPI.
int Fit(HWND dialog, UINT dpi) {
  // The probe's own measurements are then in real pixels, whatever the system's scaling.
  SetProcessDPIAware();
  int awareness = GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(dialog));
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                           FF_DONTCARE, L"MS Shell Dlg");
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  SIZE letters;
  GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
  Measure measure = {dc, dpi, (letters.cx / 26 + 1) / 2};
  RECT client;
  GetClientRect(dialog, &client);
  printf("awareness %d base %d %ld client %ld %ld\n", awareness, measure.baseX,
         static_cast<long>(metrics.tmHeight), static_cast<long>(client.right),
         static_cast<long>(client.bottom));
  EnumChildWindows(dialog, PrintFit, reinterpret_cast<LPARAM>(&measure));
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 2) return 2;
  auto is = [&](const WCHAR* name) { return lstrcmpW(argv[1], name) == 0; };
  if (is(L"tree-rect")) {
    HWND browser = Find(nullptr, true);
    return browser ? PrintRect(TreeOf(browser)) : 1;
  }
  if (argc < 3) return 2;
  if (is(L"player")) {
    for (DWORD end = GetTickCount() + Number(argv[2]);; Sleep(50)) {
      if (FindWindowW(L"Tunlark", L"Tunlark")) return 0;
      if (GetTickCount() > end) return 1;
    }
  }
  if (is(L"player-command")) {
    HWND player = FindWindowW(L"Tunlark", L"Tunlark");
    return player && PostMessageW(player, WM_COMMAND, Number(argv[2]), 0) ? 0 : 1;
  }
  if (is(L"tree-dialog")) return WaitFor(nullptr, Number(argv[2]), true) ? 0 : 1;
  if (is(L"wait")) return argc > 3 && WaitFor(argv[2], Number(argv[3])) ? 0 : 1;
  if (is(L"count")) {
    printf("%d\n", Count(argv[2]));
    return 0;
  }
  if (is(L"gone")) {
    for (DWORD end = GetTickCount() + (argc > 3 ? Number(argv[3]) : 0);; Sleep(50)) {
      if (!Find(argv[2])) return 0;
      if (GetTickCount() > end) return 1;
    }
  }
  HWND window = WaitFor(argv[2], 5000);
  if (!window) return 1;
  if (is(L"text")) {
    EnumChildWindows(window, PrintStatic, 0);
    return 0;
  }
  if (is(L"fit")) return argc > 3 ? Fit(window, Number(argv[3])) : 2;
  if (argc < 4) return 2;
  int id = Number(argv[3]);
  HWND control = id ? GetDlgItem(window, id) : window;
  if (!control) return 1;
  if (is(L"rect")) return PrintRect(control);
  if (is(L"click")) {
    SendMessageW(control, BM_CLICK, 0, 0);
    return 0;
  }
  if (is(L"command")) {
    return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(control))
               ? 0
               : 1;
  }
  if (is(L"checked")) {
    printf("%d\n", SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
    return 0;
  }
  if (is(L"selected")) {
    WCHAR text[1024];
    GetText(control, text);
    PrintUtf8(text);
    return 0;
  }
  if (is(L"select") && argc > 4) {
    LRESULT index = SendMessageW(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(argv[4]));
    if (index == CB_ERR) return 1;
    SendMessageW(control, CB_SETCURSEL, index, 0);
    return 0;
  }
  return 2;
}
