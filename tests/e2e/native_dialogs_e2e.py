#!/usr/bin/python3
"""End-to-end test of the native program's dialogs, boxes, choosers and Help, through their
accessibility tree.

Usage: /usr/bin/python3 native_dialogs_e2e.py --bin NATIVE_BIN [--case NAME ...]

NATIVE_BIN is the folder with the native `tunlark` and its files (build/native-bin). Each case
starts the program from a fresh copy of that folder, on a display, a session bus and a sound
server of the test's own, opens a dialog by choosing its entry of the tray item's menu
(com.canonical.dbusmenu Event), changes it as a user would through AT-SPI, presses OK and reads
the files the program wrote. Debian's python3-gi and python3-pyatspi load only under
/usr/bin/python3. Exit code 0 when every case passed, 1 when one failed, 77 (skipped) when the
program has not been built.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
MENU_PATH = "/MenuBar"
SINK = "tunlark_e2e"

OPTIONS_ENTRY = "Опции..."
HOTKEYS_ENTRY = "Настроить горячие клавиши..."


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(predicate, timeout, step=0.2):
    deadline = time.time() + timeout
    while True:
        value = predicate()
        if value or time.time() > deadline:
            return value
        time.sleep(step)


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


def _start(command, env, log):
    return subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT,
                            stdin=subprocess.DEVNULL, start_new_session=True)


def _stop(process):
    if process is None or process.poll() is not None:
        return
    try:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait(5)
    except ProcessLookupError:
        pass
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()


class Environment:
    """A virtual display, a private session bus (which starts the accessibility bus when asked)
    and a PulseAudio null sink, in one temporary folder."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="tunlark-native-dialogs-")
        self.processes = []
        self.keep = False
        runtime = os.path.join(self.root, "run")
        os.makedirs(runtime, mode=0o700)
        self.env = {key: value for key, value in os.environ.items()
                    if not key.startswith(("DBUS_", "AT_SPI", "PULSE_", "XDG_", "WAYLAND"))}
        self.env.pop("NO_AT_BRIDGE", None)
        self.env.update(HOME=os.path.join(self.root, "home"), XDG_RUNTIME_DIR=runtime,
                        XDG_CONFIG_HOME=os.path.join(self.root, "config"),
                        LANG="ru_RU.UTF-8", LC_ALL="ru_RU.UTF-8", GDK_BACKEND="x11",
                        PULSE_SERVER="unix:%s/pulse/native" % runtime)
        os.makedirs(self.env["HOME"])

    def log(self, name):
        return open(os.path.join(self.root, name + ".log"), "wb")

    def __enter__(self):
        try:
            self._start_display()
            self._start_bus()
            self._start_sound()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _start_display(self):
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                 "1024x768x24", "-nolisten", "tcp"], pass_fds=(write_end,),
                                stdout=subprocess.DEVNULL, stderr=self.log("xvfb"),
                                start_new_session=True)
        os.close(write_end)
        self.processes.append(xvfb)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        check(number, "Xvfb did not start")
        self.env["DISPLAY"] = ":" + number
        # A window manager, so that the dialogs are placed and focused as on a desktop.
        self.processes.append(_start(["openbox"], self.env, self.log("openbox")))

    def _start_bus(self):
        socket = os.path.join(self.root, "bus")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + socket
        # The daemon hands its environment (the display) to at-spi-bus-launcher, which it starts.
        self.processes.append(_start(["dbus-daemon", "--session", "--nofork",
                                      "--address=" + self.env["DBUS_SESSION_BUS_ADDRESS"]],
                                     self.env, self.log("dbus")))
        check(wait_for(lambda: os.path.exists(socket), 10), "the session bus did not start")

    def _start_sound(self):
        pulse = _start(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                        "--disallow-exit", "--load=module-native-protocol-unix",
                        "--load=module-null-sink sink_name=%s" % SINK], self.env,
                       self.log("pulseaudio"))
        self.processes.append(pulse)
        native = os.path.join(self.env["XDG_RUNTIME_DIR"], "pulse", "native")
        check(wait_for(lambda: os.path.exists(native) or pulse.poll() is not None, 15) and
              pulse.poll() is None, "PulseAudio did not start")

    def __exit__(self, *exc):
        for process in reversed(self.processes):
            _stop(process)
        if exc[0] is None and not self.keep:
            shutil.rmtree(self.root, ignore_errors=True)
        else:
            print("kept for inspection: %s" % self.root)


class Player:
    """The native program started from a fresh copy of the built folder; ended at the block's
    end through the menu's "Выход", so that it writes its files as a user's exit does."""

    def __init__(self, env, bin_dir, name, **changes):
        self.env = env
        self.changes = changes
        self.folder = os.path.join(env.root, name)
        shutil.copytree(bin_dir, self.folder)
        self.process = None

    def file(self, name):
        return os.path.join(self.folder, name)

    def __enter__(self):
        self.process = _start([self.file("tunlark")], dict(self.env.env, **self.changes),
                              self.env.log(os.path.basename(self.folder)))
        self.bus_name = "org.kde.StatusNotifierItem-%d-1" % self.process.pid
        check(wait_for(lambda: self.menu_entries(), 20), "the tray item's menu never answered")
        return self

    def __exit__(self, *exc):
        try:
            if self.process.poll() is None:
                self.choose("Выход")
                self.process.wait(10)
        except Exception:  # noqa: BLE001 - the process is ended below anyway
            pass
        _stop(self.process)

    def gdbus(self, method, *args):
        # "--": an argument such as -1 is not an option of gdbus.
        result = subprocess.run(["gdbus", "call", "--session", "--dest", self.bus_name,
                                 "--object-path", MENU_PATH, "--method", method, "--"] + list(args),
                                env=self.env.env, capture_output=True, text=True, timeout=30)
        return result.stdout if result.returncode == 0 else None

    def menu_entries(self):
        """{label: id} of every entry of the menu's layout."""
        layout = self.gdbus("com.canonical.dbusmenu.GetLayout", "0", "-1", "['label']")
        if not layout:
            return {}
        return {label: int(number) for number, label in
                re.findall(r"\((\d+), \{'label': <'([^']*)'>", layout)}

    def choose(self, label):
        """Chooses the entry as a click in the desktop's menu does. The call returns at once; the
        dialog it opens runs in the program's loop."""
        number = self.menu_entries().get(label)
        check(number is not None, "no menu entry %r in %s" % (label, self.menu_entries()))
        check(self.gdbus("com.canonical.dbusmenu.Event", str(number), "clicked", "<0>", "0")
              is not None, "Event(%s) failed" % label)


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
            if window is not None and window.getRoleName() == role and window.name == name:
                return False
    return True


CASES = []


def case(function):
    CASES.append(function)
    return function


@case
def options_boxes_save_at_once_and_autostart_writes_the_login_entry(env, bin_dir):
    pyatspi = accessibility()
    with Player(env, bin_dir, "options") as player:
        check(config_value(player.folder, "Repeat") == "0", "Repeat is not 0 at first")
        player.choose(OPTIONS_ENTRY)
        dialog = find_window(pyatspi, "dialog", "Опции")
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
def hotkeys_dialog_refuses_a_doubled_combination_and_saves_a_free_one(env, bin_dir):
    pyatspi = accessibility()
    with Player(env, bin_dir, "hotkeys") as player:
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
def start_up_error_and_about_boxes_show_their_texts(env, bin_dir):
    pyatspi = accessibility()
    silent = "unix:" + os.path.join(env.root, "no-sound-server")
    with Player(env, bin_dir, "boxes", PULSE_SERVER=silent) as player:
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
def help_opens_the_page_with_the_desktops_default_handler(env, bin_dir):
    data = os.path.join(env.root, "data")
    opened = os.path.join(env.root, "opened.txt")
    os.makedirs(os.path.join(data, "applications"), exist_ok=True)
    with open(os.path.join(data, "applications", "test-browser.desktop"), "w") as f:
        f.write("[Desktop Entry]\nType=Application\nName=Test browser\n"
                "Exec=/bin/sh -c 'echo \"$1\" > %s' sh %%u\nMimeType=text/html;\n" % opened)
    config = env.env["XDG_CONFIG_HOME"]
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "mimeapps.list"), "w") as f:
        f.write("[Default Applications]\ntext/html=test-browser.desktop\n")
    with Player(env, bin_dir, "help", XDG_DATA_HOME=data) as player:
        player.choose("Справка Tunlark")
        check(wait_for(lambda: read(opened), 10), "no handler was started")
        # GIO hands a handler without URI support the local path.
        page = player.file("Help/Help.htm")
        check(read(opened).decode().strip() in (page, "file://" + page),
              "opened %r, not %r" % (read(opened), page))


@case
def typed_path_in_the_file_chooser_is_opened_and_played(env, bin_dir):
    pyatspi = accessibility()
    with Player(env, bin_dir, "chooser") as player:
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
    if not os.access(os.path.join(options.bin, "tunlark"), os.X_OK):
        print("skipped: %s/tunlark has not been built" % options.bin)
        return 77
    chosen = [c for c in CASES if not options.case or c.__name__ in options.case]
    failed = 0
    with Environment() as env:
        # pyatspi finds the accessibility bus through the session bus it sees at import.
        os.environ.update({key: env.env[key] for key in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY")})
        for function in chosen:
            started = time.time()
            try:
                function(env, os.path.abspath(options.bin))
                print("PASS %s (%.1f s)" % (function.__name__, time.time() - started))
            except Exception:  # noqa: BLE001 - every failure is reported with its case
                failed += 1
                print("FAIL %s" % function.__name__)
                traceback.print_exc()
        env.keep = failed > 0
    print("%d passed, %d failed" % (len(chosen) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
