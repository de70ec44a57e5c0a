#!/usr/bin/python3
"""End-to-end test of the native program's dialogs, boxes, choosers and Help, through their
accessibility tree.

Usage: /usr/bin/python3 native_dialogs_e2e.py --bin NATIVE_BIN [--case NAME ...]

NATIVE_BIN is the folder with the native `tunlark` and its files (build/native-bin). Each case
starts the program from a fresh program folder, in native_e2e's environment with the
accessibility bridge kept, a window manager and a session bus of the test's own (which starts
the accessibility bus), opens a dialog by choosing its entry of the tray item's menu
(com.canonical.dbusmenu Event), changes it as a user would through AT-SPI, presses OK and reads
the files the program wrote. Debian's python3-gi and python3-pyatspi load only under
/usr/bin/python3. Exit code 0 when every case passed, 1 when one failed, 77 (skipped) when the
program has not been built.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ of the imported test modules in the checkout
import native_e2e  # noqa: E402
from harness import _start  # noqa: E402
from mpris_e2e import SessionBus  # noqa: E402
from native_e2e import NativeEnvironment, choose, menu_layout  # noqa: E402
from portal_e2e import STAND_IN_PORTAL, TAKEN, lines_until  # noqa: E402
from suite import Skipped, check, wait_for  # noqa: E402

OPTIONS_ENTRY = "Опции..."
HOTKEYS_ENTRY = "Настроить горячие клавиши..."


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return b""


def config_value(folder, key):
    """A value of config.cfg, decoded from the program's code page."""
    found = re.search(rb"^" + key.encode() + rb"=([^\r\n]*)\r?$", read(os.path.join(folder, "config.cfg")),
                      re.M)
    return found.group(1).decode("cp1251") if found else None


class Player(native_e2e.Player):
    """The native program with changes to the environment, until its menu answers; ended through
    the menu's "Выход", so that it writes its files as a user's exit does."""

    def __init__(self, env, name, **changes):
        super().__init__(env, name)
        self.changes = changes

    def __enter__(self):
        usual = self.env.env
        self.env.env = dict(usual, **self.changes)
        try:
            super().__enter__()
        finally:
            self.env.env = usual
        check(wait_for(lambda: "'Выход'" in menu_layout(self.env, self.process.pid), 20),
              "the tray item's menu never answered")
        return self

    def __exit__(self, *exc):
        try:
            if self.process.poll() is None:
                self.choose("Выход")
                self.process.wait(10)
        except Exception:  # noqa: BLE001 - the process is ended below anyway
            pass
        return super().__exit__(*exc)

    def choose(self, label):
        """Chooses the entry as a click in the desktop's menu does. The call returns at once; the
        dialog it opens runs in the program's loop."""
        check(choose(self.env, self.process.pid, label), "Event(%s) failed" % label)


def accessibility():
    """pyatspi, imported once the test's session bus is in the environment."""
    import pyatspi  # noqa: E402 - needs DBUS_SESSION_BUS_ADDRESS first
    return pyatspi


def find_window(pyatspi, role, name, timeout=15):
    def search():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None:
                continue
            for window in app:
                if window is not None and window.getRoleName() == role and window.name == name:
                    return window
        return None
    window = wait_for(search, timeout, 0.3)
    check(window is not None, "no %s %r" % (role, name))
    return window


def descendants(pyatspi, node, role, name=None):
    return pyatspi.findAllDescendants(
        node, lambda n: n.getRoleName() == role and (name is None or n.name == name))


def press(pyatspi, node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    check("click" in names, "%s %r cannot be clicked: %s" % (node.getRoleName(), node.name, names))
    action.doAction(names.index("click"))


def gone(pyatspi, role, name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        for window in app or []:
            try:
                if window is not None and window.getRoleName() == role and window.name == name:
                    return False
            except Exception:  # noqa: BLE001 - the window went away while it was read
                continue
    return True


def window_has_icon(env, name):
    """Whether a window of the name has an icon of its own for its title bar. Openbox gives a
    window without one its own 48-pixel picture; the program's come with a 16-pixel one."""
    found = subprocess.run(["xdotool", "search", "--name", "^%s$" % name], env=env.env,
                           capture_output=True, text=True, timeout=10).stdout.split()
    for window in found:
        icon = subprocess.run(["xprop", "-id", window, "_NET_WM_ICON"], env=env.env,
                              capture_output=True, text=True, timeout=10).stdout
        if "Icon (16 x 16)" in icon:
            return True
    return False


CASES = []


def case(function):
    CASES.append(function)
    return function


@case
def options_boxes_save_at_once_and_autostart_writes_the_login_entry(env):
    pyatspi = accessibility()
    with Player(env, "options") as player:
        check(config_value(player.folder, "Repeat") == "0", "Repeat is not 0 at first")
        player.choose(OPTIONS_ENTRY)
        dialog = find_window(pyatspi, "dialog", "Опции")
        # Its title bar's icon, also where the desktop's theme has none of the program's.
        check(window_has_icon(env, "Опции"), "the options dialog has no icon")
        boxes = [box.name for box in descendants(pyatspi, dialog, "check box")]
        check(sorted(boxes) == sorted(["Повторять", "Случайно", "Вкл. / откл. звук",
                                       "Воспроизводить звук на старте",
                                       "Автозагрузка на каждом старте Windows"]),
              "check boxes %s" % boxes)
        # Esc does not close it: OK is the only way out.
        subprocess.run(["xdotool", "key", "Escape"], env=env.env, timeout=10)
        time.sleep(0.5)
        check(not gone(pyatspi, "dialog", "Опции"), "Esc closed the options dialog")

        press(pyatspi, descendants(pyatspi, dialog, "check box", "Повторять")[0])
        check(wait_for(lambda: config_value(player.folder, "Repeat") == "1", 5),
              "Repeat=%s after a click" % config_value(player.folder, "Repeat"))
        entry = os.path.join(env.env["XDG_CONFIG_HOME"], "autostart", "tunlark.desktop")
        press(pyatspi, descendants(pyatspi, dialog, "check box",
                                   "Автозагрузка на каждом старте Windows")[0])
        check(wait_for(lambda: config_value(player.folder, "Autoload") == "1", 5),
              "Autoload=%s" % config_value(player.folder, "Autoload"))
        text = read(entry).decode("utf-8")
        check("\nExec=%s\n" % player.file("tunlark") in text, "login entry: %r" % text)

        press(pyatspi, descendants(pyatspi, dialog, "push button", "OK")[0])
        check(wait_for(lambda: gone(pyatspi, "dialog", "Опции"), 5), "OK left the dialog open")
        # The box cleared again removes the entry.
        player.choose(OPTIONS_ENTRY)
        dialog = find_window(pyatspi, "dialog", "Опции")
        box = descendants(pyatspi, dialog, "check box", "Автозагрузка на каждом старте Windows")[0]
        check(box.getState().contains(pyatspi.STATE_CHECKED), "the box does not show Autoload")
        press(pyatspi, box)
        check(wait_for(lambda: not os.path.exists(entry), 5), "the login entry stayed")
        press(pyatspi, descendants(pyatspi, dialog, "push button", "OK")[0])
        check(wait_for(lambda: gone(pyatspi, "dialog", "Опции"), 5), "OK left the dialog open")
        # "Выход" while the dialog is open ends the player at once, not when the dialog closes.
        player.choose(OPTIONS_ENTRY)
        find_window(pyatspi, "dialog", "Опции")
        player.choose("Выход")
        check(wait_for(lambda: player.process.poll() is not None, 10),
              "the player waited for the options dialog to close")


def hotkey_boxes(pyatspi, dialog):
    """{(label, field): combo box}: each box is named by its row's label; the fields are told
    apart by their places from the left."""
    rows = {}
    for box in descendants(pyatspi, dialog, "combo box"):
        labels = [target.name for relation in box.getRelationSet()
                  if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
                  for target in (relation.getTarget(i) for i in range(relation.getNTargets()))]
        check(len(labels) == 1, "combo box %r is labelled by %s" % (box.name, labels))
        x = box.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).x
        rows.setdefault(labels[0], []).append((x, box))
    boxes = {}
    for label, row in rows.items():
        check(len(row) == 3, "%s has %d boxes" % (label, len(row)))
        for field, (_, box) in enumerate(sorted(row, key=lambda item: item[0])):
            boxes[(label, field)] = box
    return boxes


def select(box, name):
    menu = box[0]
    names = [menu[i].name for i in range(menu.childCount)]
    check(name in names, "%r is not offered by a box with %s" % (name, names))
    box.querySelection().selectChild(names.index(name))
    check(wait_for(lambda: box.name == name, 5), "the box shows %r, not %r" % (box.name, name))


@case
def hotkeys_dialog_refuses_a_doubled_combination_and_saves_a_free_one(env):
    pyatspi = accessibility()
    with Player(env, "hotkeys") as player:
        player.choose(HOTKEYS_ENTRY)
        dialog = find_window(pyatspi, "dialog", "Настройка горячих клавиш")
        # Chosen again while open: the open one comes to the front, no second one.
        player.choose(HOTKEYS_ENTRY)
        time.sleep(1)
        count = sum(1 for app in pyatspi.Registry.getDesktop(0) if app is not None
                    for window in app if window is not None and
                    window.name == "Настройка горячих клавиш")
        check(count == 1, "%d hotkeys dialogs" % count)
        boxes = hotkey_boxes(pyatspi, dialog)
        check(len(boxes) == 36, "%d combo boxes" % len(boxes))
        play = [boxes[("Проиграть трек:", field)].name for field in range(3)]
        check(play == [config_value(player.folder, "PlayName%d" % (field + 1))
                       for field in range(3)], "Play's boxes show %s" % play)
        modifiers = [boxes[("Пауза:", 0)][0][i].name for i in range(boxes[("Пауза:", 0)][0].childCount)]
        check(sorted(modifiers) == sorted(["Нет", "Alt", "Ctrl", "Shift"]),
              "modifier choices %s" % modifiers)

        # Mute on Play's combination: refused for Mute, the later action; saved all the same.
        for field in range(3):
            select(boxes[("Вкл. / откл. звук:", field)], play[field])
        press(pyatspi, descendants(pyatspi, dialog, "push button", "OK")[0])
        error = find_window(pyatspi, "alert", "Ошибка")
        texts = " ".join(label.name for label in descendants(pyatspi, error, "label"))
        check("'Вкл. / откл. звук'" in texts and "Невозможно зарегистрировать" in texts,
              "error box says %r" % texts)
        check(config_value(player.folder, "MuteName3") == play[2],
              "MuteName3=%s after the refusal" % config_value(player.folder, "MuteName3"))
        press(pyatspi, descendants(pyatspi, error, "push button")[0])
        check(wait_for(lambda: gone(pyatspi, "alert", "Ошибка"), 5), "the error box stayed")
        check(not gone(pyatspi, "dialog", "Настройка горячих клавиш"),
              "the dialog closed after a refusal")

        # A free key for Mute: registered, saved, and the dialog closes.
        select(boxes[("Вкл. / откл. звук:", 2)], "Q")
        press(pyatspi, descendants(pyatspi, dialog, "push button", "OK")[0])
        check(wait_for(lambda: gone(pyatspi, "dialog", "Настройка горячих клавиш"), 5),
              "OK left the hotkeys dialog open")
        check(config_value(player.folder, "MuteName3") == "Q",
              "MuteName3=%s" % config_value(player.folder, "MuteName3"))
        check(config_value(player.folder, "MuteId3") == str(ord("Q")),
              "MuteId3=%s" % config_value(player.folder, "MuteId3"))


@case
def hotkeys_dialog_under_the_shortcuts_portal_names_an_action_left_unbound(env):
    pyatspi = accessibility()
    # The stand-in desktop leaves Mute's trigger unbound, as one another program holds.
    portal = subprocess.Popen(["/usr/bin/python3", "-c", STAND_IN_PORTAL, TAKEN],
                              env=dict(env.env, PYTHONIOENCODING="utf-8"), stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              start_new_session=True)
    try:
        lines_until(portal, "ready")
        # A Wayland session whose compositor is not there: GTK still opens the X display.
        with Player(env, "portal", WAYLAND_DISPLAY="wayland-tunlark-absent",
                    GDK_BACKEND="x11") as player:
            lines_until(portal, "list", 20)
            player.choose(HOTKEYS_ENTRY)
            # Asked again as the dialog opens; Mute is named as a refused combination.
            check(lines_until(portal, "list") == ["list"], "no ListShortcuts as the dialog opened")
            dialog = find_window(pyatspi, "dialog", "Настройка горячих клавиш")
            error = find_window(pyatspi, "alert", "Ошибка")
            texts = " ".join(label.name for label in descendants(pyatspi, error, "label"))
            check("Невозможно зарегистрировать" in texts and "'Вкл. / откл. звук'" in texts,
                  "error box says %r" % texts)
            press(pyatspi, descendants(pyatspi, error, "push button")[0])
            check(wait_for(lambda: gone(pyatspi, "alert", "Ошибка"), 5), "the error box stayed")
            labels = [label.name for label in descendants(pyatspi, dialog, "label")]
            check("Проиграть трек: CTRL+ALT+KP_5" in labels and "Вкл. / откл. звук:" in labels,
                  "the rows say %s" % labels)

            # A free key for Mute: saved, handed to the desktop, bound, and the dialog closes.
            select(hotkey_boxes(pyatspi, dialog)[("Вкл. / откл. звук:", 2)], "Q")
            press(pyatspi, descendants(pyatspi, dialog, "push button", "OK")[0])
            asked = lines_until(portal, "bind Mute")
            check(asked[-1].startswith("bind Mute CTRL+ALT+q "), "re-bound as %s" % asked[-1])
            check(wait_for(lambda: gone(pyatspi, "dialog", "Настройка горячих клавиш"), 10),
                  "OK left the hotkeys dialog open")
            check(config_value(player.folder, "MuteName3") == "Q",
                  "MuteName3=%s" % config_value(player.folder, "MuteName3"))
    finally:
        portal.terminate()
        portal.wait(10)


@case
def start_up_error_and_about_boxes_show_their_texts(env):
    pyatspi = accessibility()
    silent = "unix:" + os.path.join(env.root, "no-sound-server")
    with Player(env, "boxes", PULSE_SERVER=silent) as player:
        # Seven attempts to open the output, then the error box; the player stays in the tray.
        error = find_window(pyatspi, "alert", "Ошибка", timeout=30)
        texts = [label.name for label in descendants(pyatspi, error, "label")]
        check("Ошибка инициализации плеера" in texts, "error box says %s" % texts)
        press(pyatspi, descendants(pyatspi, error, "push button")[0])
        check(wait_for(lambda: gone(pyatspi, "alert", "Ошибка"), 5), "the error box stayed")
        time.sleep(0.5)
        check(player.process.poll() is None, "the player ended after the error box")

        player.choose("О программе...")
        about = find_window(pyatspi, "alert", "О программе")
        texts = " ".join(label.name for label in descendants(pyatspi, about, "label"))
        check(texts.startswith("TUNLARK v.1.1 (04.02.2007) \n\n"), "About says %r" % texts)
        press(pyatspi, descendants(pyatspi, about, "push button")[0])
        check(wait_for(lambda: gone(pyatspi, "alert", "О программе"), 5), "the About box stayed")


@case
def help_opens_the_page_with_the_desktops_default_handler(env):
    data = os.path.join(env.root, "data")
    opened = os.path.join(env.root, "opened.txt")
    os.makedirs(os.path.join(data, "applications"), exist_ok=True)
    with open(os.path.join(data, "applications", "test-browser.desktop"), "w") as f:
        f.write("[Desktop Entry]\nType=Application\nName=Test browser\n"
                "Exec=/bin/sh -c 'echo \"$1 ${GDK_GL-unset}\" > %s' sh %%u\n"
                "MimeType=text/html;\n" % opened)
    config = env.env["XDG_CONFIG_HOME"]
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "mimeapps.list"), "w") as f:
        f.write("[Default Applications]\ntext/html=test-browser.desktop\n")
    with Player(env, "help", XDG_DATA_HOME=data) as player:
        player.choose("Справка Tunlark")
        check(wait_for(lambda: read(opened), 10), "no handler was started")
        # GIO hands a handler without URI support the local path. The player's own setting of
        # GTK's OpenGL stays with the player.
        page = player.file("Help/Help.htm")
        check(read(opened).decode().strip() in (page + " unset", "file://" + page + " unset"),
              "opened %r, not %r" % (read(opened), page))


@case
def typed_path_in_the_file_chooser_is_opened_and_played(env):
    pyatspi = accessibility()
    with Player(env, "chooser") as player:
        # ASCII: xdotool types no Cyrillic into Xvfb's keymap.
        track = os.path.join(player.folder, "tone 1 (\"a\").wav")
        shutil.copy(os.path.join(HERE, "..", "..", "resources", "Help", "Help.htm"), track + ".x")
        os.rename(track + ".x", track)
        player.choose("Открыть файл...")
        chooser = find_window(pyatspi, "file chooser", "Открыть файл")
        filters = descendants(pyatspi, chooser, "combo box")
        check(any(box.name == "Все поддерживаемые типы" for box in filters),
              "filters %s" % [box.name for box in filters])
        # Typed as a user does into the location field, then "Открыть".
        subprocess.run(["xdotool", "key", "ctrl+l"], env=env.env, timeout=10)
        time.sleep(0.5)
        subprocess.run(["xdotool", "type", "--delay", "20", track], env=env.env, timeout=30)
        time.sleep(0.5)
        press(pyatspi, descendants(pyatspi, chooser, "push button", "Открыть")[0])
        check(wait_for(lambda: gone(pyatspi, "file chooser", "Открыть файл"), 10),
              "the chooser stayed open")
    # The playlist the exit saved holds the chosen file, whatever its name.
    saved = read(player.file("current.spl"))
    check(track.encode() in saved, "current.spl holds %r" % saved)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--case", action="append", default=[])
    options = parser.parse_args()
    bin_dir = os.path.abspath(options.bin)
    if not os.access(os.path.join(bin_dir, native_e2e.PROGRAM), os.X_OK):
        print("skipped: %s/tunlark has not been built" % options.bin)
        return 77
    chosen = [c for c in CASES if not options.case or c.__name__ in options.case]
    failed = 0
    # The native program needs no driver.
    env = NativeEnvironment(bin_dir, None, accessible=True)
    try:
        env.start()
        # A window manager, so that the dialogs are placed and focused as on a desktop.
        env.processes.append(_start(["openbox"], env.env, env._log("openbox")))
        env.env["XDG_CONFIG_HOME"] = os.path.join(env.root, "config")
        # The daemon hands its environment (the display) to the accessibility bus it starts.
        with SessionBus(env):
            # pyatspi finds the accessibility bus through the session bus it sees at import.
            os.environ.update({key: env.env[key]
                               for key in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY")})
            for function in chosen:
                started = time.time()
                try:
                    function(env)
                    print("PASS %s (%.1f s)" % (function.__name__, time.time() - started))
                except Exception:  # noqa: BLE001 - every failure is reported with its case
                    failed += 1
                    print("FAIL %s" % function.__name__)
                    traceback.print_exc()
    except Skipped as reason:
        print("skipped: %s" % reason)
        return 77
    finally:
        if failed:
            os.environ["TUNLARK_E2E_KEEP"] = "1"
        env.close()
    print("%d passed, %d failed" % (len(chosen) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
