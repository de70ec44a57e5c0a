/* Holds a passive grab of Ctrl+Alt+KEYSYM on the root window, as another program that owns a
 * global shortcut does, until it is killed. Prints "ready" once the server has accepted the
 * grab, "taken" and exits 1 when another client holds it already.
 * usage: hold_key_grab KEYSYM_NAME */
#include <X11/Xlib.h>

#include <stdio.h>
#include <unistd.h>

static int refused;

static int NoteError(Display* display, XErrorEvent* error) {
  (void)display;
  (void)error;
  refused = 1;
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  Display* display = XOpenDisplay(NULL);
  if (!display) return 2;
  KeyCode key = XKeysymToKeycode(display, XStringToKeysym(argv[1]));
  if (!key) return 2;
  XSetErrorHandler(NoteError);
  XGrabKey(display, key, ControlMask | Mod1Mask, DefaultRootWindow(display), False, GrabModeAsync,
           GrabModeAsync);
  XSync(display, False);
  puts(refused ? "taken" : "ready");
  fflush(stdout);
  if (refused) return 1;
  for (;;) pause();
}
