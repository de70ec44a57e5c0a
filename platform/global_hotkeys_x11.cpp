#include "platform/global_hotkeys_x11.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <poll.h>

#include <cerrno>
#include <vector>

#include "platform/key_symbols.h"

namespace {

struct Grab {
  int id;
  KeyCode keycode;
  unsigned int mask;
};

Display* g_display = nullptr;
Window g_root = 0;
std::vector<Grab> g_grabs;
// The lock masks a grab must ignore; found in the server's modifier map.
unsigned int g_lockVariants[8];
int g_lockVariantCount = 0;
unsigned int g_allLocks = 0;

bool g_grabFailed = false;
XErrorHandler g_previousHandler = nullptr;

// Xlib's error handler is process-wide and Wine's X11 driver has its own: errors on our
// connection are ours to note, everything else goes on to Wine.
int NoteGrabError(Display* display, XErrorEvent* error) {
  if (display == g_display) {
    g_grabFailed = true;
    return 0;
  }
  return g_previousHandler ? g_previousHandler(display, error) : 0;
}

unsigned int ModifierMaskOf(KeySym keysym) {
  KeyCode keycode = XKeysymToKeycode(g_display, keysym);
  if (keycode == 0) return 0;
  unsigned int mask = 0;
  XModifierKeymap* map = XGetModifierMapping(g_display);
  for (int modifier = 0; modifier < 8; ++modifier)
    for (int i = 0; i < map->max_keypermod; ++i)
      if (map->modifiermap[modifier * map->max_keypermod + i] == keycode) mask |= 1u << modifier;
  XFreeModifiermap(map);
  return mask;
}

void FindLockVariants() {
  const unsigned int locks[] = {LockMask, ModifierMaskOf(XK_Num_Lock),
                                ModifierMaskOf(XK_Scroll_Lock)};
  // Every combination of the distinct lock masks, none first.
  g_allLocks = 0;
  g_lockVariantCount = 1;
  g_lockVariants[0] = 0;
  for (unsigned int lock : locks) {
    lock &= ~g_allLocks;  // Num Lock and Scroll Lock may share a modifier, or have none
    if (lock == 0) continue;
    g_allLocks |= lock;
    int count = g_lockVariantCount;
    for (int i = 0; i < count; ++i) g_lockVariants[g_lockVariantCount++] = g_lockVariants[i] | lock;
  }
}

// Every key that types keysym at its first or second level. A keysym may sit on several keys:
// the keypad's '.' types KP_Decimal only with Num Lock on (second level), and some keymaps give
// KP_Decimal a key of its own, which XKeysymToKeycode prefers although keyboards rarely have it.
std::vector<KeyCode> KeycodesOf(KeySym keysym) {
  std::vector<KeyCode> found;
  int first = 0, last = 0, perKeycode = 0;
  XDisplayKeycodes(g_display, &first, &last);
  KeySym* map =
      XGetKeyboardMapping(g_display, static_cast<KeyCode>(first), last - first + 1, &perKeycode);
  if (!map) return found;
  for (int code = first; code <= last; ++code) {
    for (int level = 0; level < perKeycode && level < 2; ++level) {
      if (map[(code - first) * perKeycode + level] == keysym) {
        found.push_back(static_cast<KeyCode>(code));
        break;
      }
    }
  }
  XFree(map);
  return found;
}

void UngrabAllVariants(const Grab& grab) {
  for (int i = 0; i < g_lockVariantCount; ++i)
    XUngrabKey(g_display, grab.keycode, grab.mask | g_lockVariants[i], g_root);
}

}  // namespace

bool OpenGlobalKeyDisplay() {
  if (g_display) return true;
  g_display = XOpenDisplay(nullptr);
  if (!g_display) return false;
  g_root = DefaultRootWindow(g_display);
  FindLockVariants();
  return true;
}

bool GrabGlobalKey(int id, uint32_t modifiers, uint32_t virtualKey) {
  if (!g_display) return false;
  UngrabGlobalKey(id);
  uint32_t mask = 0;
  uint32_t keysym = VirtualKeyToKeysym(virtualKey);
  if (keysym == 0 || !HotkeyModifiersToMask(modifiers, &mask)) return false;
  std::vector<Grab> grabs;
  for (KeyCode keycode : KeycodesOf(keysym)) grabs.push_back(Grab{id, keycode, mask});
  if (grabs.empty()) return false;
  // The server lets one client grab a combination twice; a second action on it must fail as on
  // Windows.
  for (const Grab& held : g_grabs)
    for (const Grab& grab : grabs)
      if (held.keycode == grab.keycode && held.mask == grab.mask) return false;

  XSync(g_display, False);
  g_grabFailed = false;
  g_previousHandler = XSetErrorHandler(NoteGrabError);
  for (const Grab& grab : grabs)
    for (int i = 0; i < g_lockVariantCount; ++i)
      XGrabKey(g_display, grab.keycode, grab.mask | g_lockVariants[i], g_root, False, GrabModeAsync,
               GrabModeAsync);
  XSync(g_display, False);
  if (g_grabFailed) {
    // Another client holds at least one variant: give back the ones we did get.
    for (const Grab& grab : grabs) UngrabAllVariants(grab);
    XSync(g_display, False);
  }
  XSetErrorHandler(g_previousHandler);
  if (g_grabFailed) return false;
  g_grabs.insert(g_grabs.end(), grabs.begin(), grabs.end());
  return true;
}

void UngrabGlobalKey(int id) {
  if (!g_display) return;
  bool released = false;
  for (auto it = g_grabs.begin(); it != g_grabs.end();) {
    if (it->id != id) {
      ++it;
      continue;
    }
    UngrabAllVariants(*it);
    it = g_grabs.erase(it);
    released = true;
  }
  if (released) XFlush(g_display);
}

void ReadGlobalKeyPresses(void (*pressed)(int id, void* context), void* context) {
  if (!g_display) return;
  while (XPending(g_display) > 0) {
    XEvent event;
    XNextEvent(g_display, &event);
    if (event.type != KeyPress) continue;
    unsigned int mask = event.xkey.state & 0xFF & ~g_allLocks;
    for (const Grab& grab : g_grabs) {
      if (grab.keycode == event.xkey.keycode && grab.mask == mask) {
        pressed(grab.id, context);
        break;
      }
    }
  }
}

bool WaitForGlobalKeyInput() {
  if (!g_display) return false;
  pollfd watched = {ConnectionNumber(g_display), POLLIN, 0};
  for (;;) {
    int ready = poll(&watched, 1, -1);
    if (ready > 0) return (watched.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
    if (ready < 0 && errno != EINTR) return false;
  }
}
