#include "settings/global_hotkeys_x11.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <poll.h>

#include <cerrno>
#include <vector>

#include "settings/key_symbols.h"

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
  Grab grab{id, XKeysymToKeycode(g_display, keysym), mask};
  if (grab.keycode == 0) return false;
  // The server lets one client grab a combination twice; a second action on it must fail as on
  // Windows.
  for (const Grab& held : g_grabs)
    if (held.keycode == grab.keycode && held.mask == grab.mask) return false;

  XSync(g_display, False);
  g_grabFailed = false;
  g_previousHandler = XSetErrorHandler(NoteGrabError);
  for (int i = 0; i < g_lockVariantCount; ++i)
    XGrabKey(g_display, grab.keycode, grab.mask | g_lockVariants[i], g_root, False, GrabModeAsync,
             GrabModeAsync);
  XSync(g_display, False);
  if (g_grabFailed) {
    // Another client holds at least one variant: give back the ones we did get.
    UngrabAllVariants(grab);
    XSync(g_display, False);
  }
  XSetErrorHandler(g_previousHandler);
  if (g_grabFailed) return false;
  g_grabs.push_back(grab);
  return true;
}

void UngrabGlobalKey(int id) {
  if (!g_display) return;
  for (auto it = g_grabs.begin(); it != g_grabs.end(); ++it) {
    if (it->id != id) continue;
    UngrabAllVariants(*it);
    XFlush(g_display);
    g_grabs.erase(it);
    return;
  }
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
