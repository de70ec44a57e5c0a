#include "platform/global_hotkeys_x11.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <poll.h>

#include <cerrno>

#include "platform/key_symbols.h"

static_assert(sizeof(KeyCode) == sizeof(unsigned char) && sizeof(KeySym) == sizeof(unsigned long) &&
                  sizeof(Window) == sizeof(unsigned long),
              "the header names Xlib's types by their plain ones");

namespace {

// What the error handler notes while a grab is under way.
struct GrabErrors {
  Display* display;
  bool failed;
  XErrorHandler previous;
};

// Xlib's error handler is process-wide and takes no user pointer, so the grab under way is found
// here; only the UI thread grabs, one at a time.
GrabErrors* g_grabErrors = nullptr;

// Wine's X11 driver has its own handler: errors on our connection are ours to note, everything
// else goes on to Wine.
int NoteGrabError(Display* display, XErrorEvent* error) {
  GrabErrors* errors = g_grabErrors;
  if (errors && display == errors->display) {
    errors->failed = true;
    return 0;
  }
  XErrorHandler previous = errors ? errors->previous : nullptr;
  return previous ? previous(display, error) : 0;
}

}  // namespace

GlobalKeyGrabs::~GlobalKeyGrabs() {
  if (display_) XCloseDisplay(display_);
}

unsigned int GlobalKeyGrabs::ModifierMaskOf(unsigned long keysym) const {
  KeyCode keycode = XKeysymToKeycode(display_, keysym);
  if (keycode == 0) return 0;
  unsigned int mask = 0;
  XModifierKeymap* map = XGetModifierMapping(display_);
  for (int modifier = 0; modifier < 8; ++modifier)
    for (int i = 0; i < map->max_keypermod; ++i)
      if (map->modifiermap[modifier * map->max_keypermod + i] == keycode) mask |= 1u << modifier;
  XFreeModifiermap(map);
  return mask;
}

void GlobalKeyGrabs::FindLockVariants() {
  const unsigned int locks[] = {LockMask, ModifierMaskOf(XK_Num_Lock),
                                ModifierMaskOf(XK_Scroll_Lock)};
  // Every combination of the distinct lock masks, none first.
  allLocks_ = 0;
  lockVariantCount_ = 1;
  lockVariants_[0] = 0;
  for (unsigned int lock : locks) {
    lock &= ~allLocks_;  // Num Lock and Scroll Lock may share a modifier, or have none
    if (lock == 0) continue;
    allLocks_ |= lock;
    int count = lockVariantCount_;
    for (int i = 0; i < count; ++i) lockVariants_[lockVariantCount_++] = lockVariants_[i] | lock;
  }
}

// Every key that types keysym at its first or second level. A keysym may sit on several keys:
// the keypad's '.' types KP_Decimal only with Num Lock on (second level), and some keymaps give
// KP_Decimal a key of its own, which XKeysymToKeycode prefers although keyboards rarely have it.
std::vector<unsigned char> GlobalKeyGrabs::KeycodesOf(unsigned long keysym) const {
  std::vector<unsigned char> found;
  int first = 0, last = 0, perKeycode = 0;
  XDisplayKeycodes(display_, &first, &last);
  KeySym* map =
      XGetKeyboardMapping(display_, static_cast<KeyCode>(first), last - first + 1, &perKeycode);
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

void GlobalKeyGrabs::UngrabAllVariants(const Held& grab) {
  for (int i = 0; i < lockVariantCount_; ++i)
    XUngrabKey(display_, grab.keycode, grab.mask | lockVariants_[i], root_);
}

bool GlobalKeyGrabs::Open() {
  if (display_) return true;
  display_ = XOpenDisplay(nullptr);
  if (!display_) return false;
  root_ = DefaultRootWindow(display_);
  FindLockVariants();
  return true;
}

bool GlobalKeyGrabs::Grab(int id, uint32_t modifiers, uint32_t virtualKey) {
  if (!display_) return false;
  Ungrab(id);
  uint32_t mask = 0;
  uint32_t keysym = VirtualKeyToKeysym(virtualKey);
  if (keysym == 0 || !HotkeyModifiersToMask(modifiers, &mask)) return false;
  std::vector<Held> grabs;
  for (unsigned char keycode : KeycodesOf(keysym)) grabs.push_back(Held{id, keycode, mask});
  if (grabs.empty()) return false;
  // The server lets one client grab a combination twice; a second action on it must fail as on
  // Windows.
  for (const Held& held : held_)
    for (const Held& grab : grabs)
      if (held.keycode == grab.keycode && held.mask == grab.mask) return false;

  XSync(display_, False);
  GrabErrors errors = {display_, false, nullptr};
  g_grabErrors = &errors;
  errors.previous = XSetErrorHandler(NoteGrabError);
  for (const Held& grab : grabs)
    for (int i = 0; i < lockVariantCount_; ++i)
      XGrabKey(display_, grab.keycode, grab.mask | lockVariants_[i], root_, False, GrabModeAsync,
               GrabModeAsync);
  XSync(display_, False);
  if (errors.failed) {
    // Another client holds at least one variant: give back the ones we did get.
    for (const Held& grab : grabs) UngrabAllVariants(grab);
    XSync(display_, False);
  }
  XSetErrorHandler(errors.previous);
  g_grabErrors = nullptr;
  if (errors.failed) return false;
  held_.insert(held_.end(), grabs.begin(), grabs.end());
  return true;
}

void GlobalKeyGrabs::Ungrab(int id) {
  if (!display_) return;
  bool released = false;
  for (auto it = held_.begin(); it != held_.end();) {
    if (it->id != id) {
      ++it;
      continue;
    }
    UngrabAllVariants(*it);
    it = held_.erase(it);
    released = true;
  }
  if (released) XFlush(display_);
}

void GlobalKeyGrabs::ReadPresses(void (*pressed)(int id, void* context), void* context) {
  if (!display_) return;
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type != KeyPress) continue;
    unsigned int mask = event.xkey.state & 0xFF & ~allLocks_;
    for (const Held& grab : held_) {
      if (grab.keycode == event.xkey.keycode && grab.mask == mask) {
        pressed(grab.id, context);
        break;
      }
    }
  }
}

bool GlobalKeyGrabs::WaitForInput() const {
  if (!display_) return false;
  pollfd watched = {ConnectionNumber(display_), POLLIN, 0};
  for (;;) {
    int ready = poll(&watched, 1, -1);
    if (ready > 0) return (watched.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
    if (ready < 0 && errno != EINTR) return false;
  }
}
