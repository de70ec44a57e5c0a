#!/usr/bin/env python3
"""End-to-end tests of the native Linux program `tunlark` (no Wine): one case per capability,
driven through its outside as a desktop drives it. Each case runs under Xvfb with trayer (an
XEmbed tray), a PulseAudio null sink whose monitor is recorded and a session bus of the test's
own; the details are in the unit tables.

Usage: native_e2e.py --bin NATIVE_BIN [--case NAME ...]
(--driver is accepted and ignored: the native program needs none.)

Exit code 0 when every case passed, 1 when one failed, 77 (skipped) when the program has not been
built.
"""

import os
import re
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ of the imported test modules in the checkout
import harness  # noqa: E402
from harness import DEFAULT_FILES, SCREEN_HEIGHT, Environment, Failure, _start  # noqa: E402
from mpris_e2e import SessionBus, playerctl, position, run, status_becomes  # noqa: E402
from portal_e2e import BINDINGS, STAND_IN_PORTAL, TRIGGER_KEYS, lines_until  # noqa: E402
from run_e2e import hears, hears_silence, read  # noqa: E402
from suite import Skipped, Suite, check, wait_for  # noqa: E402
from tray_e2e import ITEM, ITEM_PATH, MENU_PATH, WATCHER, Panel, has_owner  # noqa: E402

PROGRAM = "tunlark"
PLAYER_MODULE = "tunlark-player.so"
# FFmpeg's decoder, which the program loads from its own folder.
FFMPEG_MODULE = "tunlark-ffmpeg.so"
TOOLKIT_MODULE = "tunlark-gtk.so"
# The tray strip of trayer at the bottom of the screen.
XEMBED_STRIP = SCREEN_HEIGHT - 48
KEY_STOP = "ctrl+alt+KP_Delete"
KEY_PLAY = "ctrl+alt+KP_5"

SUITE = Suite()
case = SUITE.case


class NativeEnvironment(Environment):
    """The harness's display and sound server, without Wine. accessible keeps GTK's accessibility
    bridge, which finds its bus through the test's session bus."""

    def __init__(self, bin_dir, driver, accessible=False):
        super().__init__(bin_dir, driver)
        self.accessible = accessible

    def start(self):
        self._isolate({})
        # No accessibility bus of the calling session.
        for name in ("NO_AT_BRIDGE", "AT_SPI_BUS_ADDRESS"):
            self.env.pop(name, None)
        if not self.accessible:
            self.env["NO_AT_BRIDGE"] = "1"
        self._start_display()
        self._start_sound()

    def close(self):
        self.env.pop("WINEPREFIX", None)
        super().close()

    def fill_program_dir(self, folder):
        os.makedirs(folder, exist_ok=True)
        for name in (PROGRAM, PLAYER_MODULE, TOOLKIT_MODULE):
            shutil.copy2(os.path.join(self.bin_dir, name), folder)
        # An older build (the benchmarks' before) has none.
        if os.path.exists(os.path.join(self.bin_dir, FFMPEG_MODULE)):
            shutil.copy2(os.path.join(self.bin_dir, FFMPEG_MODULE), folder)
        shutil.copytree(os.path.join(self.bin_dir, "Help"), os.path.join(folder, "Help"))
        subprocess.run([sys.executable, DEFAULT_FILES, folder], check=True, timeout=60)

    def start_player(self, program_dir, *args):
        return subprocess.Popen([os.path.join(program_dir, PROGRAM)] + list(args), env=self.env,
                                stdout=self._log("player"), stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL, start_new_session=True)

    def run_player(self, program_dir, *args, timeout=60):
        return self.run_logged([os.path.join(program_dir, PROGRAM)] + list(args),
                               "second-instance", timeout=timeout)


class Player:
    """A running first instance in its own program folder; ended when the block is left."""

    def __init__(self, env, name, *args, folder=None):
        self.env = env
        self.folder = folder or env.make_program_dir(name)
        self.args = args
        self.process = None

    def file(self, name):
        return os.path.join(self.folder, name)

    def __enter__(self):
        self.process = self.env.start_player(self.folder, *self.args)
        check(wait_for(lambda: has_owner(self.env, "org.tunlark.Tunlark") or
                       self.process.poll() is not None, 20) and self.process.poll() is None,
              "the player did not start")
        return self

    def wait_exit(self, timeout=20):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise Failure("the player did not end")

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(15)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        return False


def item_name(env, pid):
    return "org.kde.StatusNotifierItem-%d-1" % pid


def menu_layout(env, pid):
    return run(env, "gdbus", "call", "--session", "--dest", item_name(env, pid), "--object-path",
               MENU_PATH, "--method", "com.canonical.dbusmenu.GetLayout", "0", "--", "-1", "@as []")


def menu_id(layout, label):
    found = re.search(r"\((\d+), \{[^}]*'label': <'%s'>" % re.escape(label), layout)
    check(found, "no entry %r in %s" % (label, layout))
    return int(found.group(1))


def choose(env, pid, label):
    """The answer of the Event call; empty when it failed."""
    entry = menu_id(menu_layout(env, pid), label)
    return run(env, "gdbus", "call", "--session", "--dest", item_name(env, pid),
               "--object-path", MENU_PATH, "--method", "com.canonical.dbusmenu.Event", "--",
               str(entry), "clicked", "<0>", "0")


def quit_over_bus(env):
    run(env, "gdbus", "call", "--session", "--dest", "org.mpris.MediaPlayer2.tunlark",
        "--object-path", "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Quit")


def config_is_the_users(player):
    """config.cfg as the program keeps it: CR LF between its 80 lines, no bare line feed."""
    text = read(player.file("config.cfg"))
    return len(text.split(b"\r\n")) == 80 and b"\n" not in text.replace(b"\r\n", b"")


@case
def command_line_and_hand_over_to_the_running_player(env, files):
    # Every name a Linux file can have, from the command line and the hand-over.
    odd = os.path.join(os.path.dirname(files["b"]), 'Тон "?*\\ 東京.mp3')
    shutil.copy(files["b"], odd)
    with SessionBus(env), Player(env, "handover", files["a"]) as player:
        hears(env, "a")
        started = time.time()
        # From another folder with a relative path, as a file manager or a shell gives it.
        code = subprocess.run([player.file(PROGRAM), os.path.basename(odd)], env=env.env,
                              cwd=os.path.dirname(odd), timeout=60,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        check(code == 0, "the second start ended with %d" % code)
        check(time.time() - started < 5, "the hand-over took %.1f s" % (time.time() - started))
        hears(env, "b")
        check(player.process.poll() is None, "the first instance ended")
        check(read(player.file("current.spl")) == odd.encode(),
              "current.spl: %r" % read(player.file("current.spl")))
        # A folder without tracks leaves the list alone. Handed over by the program file alone:
        # only a start that is to run the player loads the player's module.
        empty = os.path.join(env.root, "empty folder")
        os.makedirs(empty)
        module = player.file(PLAYER_MODULE)
        os.rename(module, module + ".away")
        try:
            check(env.run_player(player.folder, empty) == 0, "the second start failed")
        finally:
            os.rename(module + ".away", module)
        hears(env, "b")
        # A start while the player exits: refused, it waits for the end and plays on its own.
        quit_over_bus(env)
        newcomer = env.start_player(player.folder, files["c"])
        try:
            check(player.wait_exit() == 0, "the player did not end cleanly")
            check(config_is_the_users(player), "config.cfg: %r" % read(player.file("config.cfg")))
            hears(env, "c")
            check(newcomer.poll() is None, "the newcomer did not stay as the instance")
        finally:
            # The session's end: shut down as "Выход" does, saving.
            newcomer.terminate()
            newcomer.wait(15)
        check(read(player.file("current.spl")) == files["c"].encode(),
              "current.spl: %r" % read(player.file("current.spl")))


@case
def without_a_session_bus_a_socket_hands_over(env, files):
    # A bus address that answers nothing: GLib would otherwise start a bus of its own.
    env.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + os.path.join(env.root, "no-bus")
    folder = env.make_program_dir("nobus")
    process = env.start_player(folder, files["a"])
    try:
        hears(env, "a")
        check(os.path.exists(os.path.join(env.env["XDG_RUNTIME_DIR"], "tunlark.socket")),
              "no hand-over socket")
        check(env.run_player(folder, files["c"]) == 0, "the second start failed")
        hears(env, "c")
        check(process.poll() is None, "the first instance ended")
    finally:
        env.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        process.terminate()
        process.wait(15)


@case
def the_items_menu_chooses_entries_through_its_events(env, files):
    with SessionBus(env), Player(env, "menu", files["a"]) as player:
        hears(env, "a")
        pid = player.process.pid
        layout = wait_for(lambda: "'Стоп'" in menu_layout(env, pid) and menu_layout(env, pid), 10)
        check(layout, "no dbusmenu layout")
        # The same labels and order as menu 102 of the resource script.
        labels = re.findall(r"'label': <'([^']*)'>", layout)
        check(labels[0] == "Открыть файл..." and labels[-1] == "Выход", "labels: %s" % labels)
        choose(env, pid, "Стоп")
        hears_silence(env)
        choose(env, pid, "Проиграть")
        hears(env, "a")
        choose(env, pid, "Выход")
        check(player.wait_exit() == 0, "Выход did not end the player")


@case
def without_the_toolkit_module_it_plays_and_says_so(env, files):
    folder = env.make_program_dir("notoolkit")
    os.remove(os.path.join(folder, TOOLKIT_MODULE))
    log = os.path.join(env.root, "player.log")
    before = os.path.getsize(log) if os.path.exists(log) else 0
    with SessionBus(env), Player(env, "notoolkit", files["b"], folder=folder) as player:
        hears(env, "b")
        pid = player.process.pid
        check(wait_for(lambda: "'Стоп'" in menu_layout(env, pid), 10), "no dbusmenu layout")
        # A window asked for is refused; the player goes on and still ends as asked.
        choose(env, pid, "О программе...")
        choose(env, pid, "Выход")
        check(player.wait_exit() == 0, "Выход did not end the player")
    said = read(log)[before:].decode("utf-8", "replace")
    check("cannot load " + TOOLKIT_MODULE in said, "nothing said of the module: %r" % said)
    check(config_is_the_users(player), "config.cfg: %r" % read(player.file("config.cfg")))


@case
def trayer_shows_the_xembed_icon_with_the_same_menu(env, files):
    with SessionBus(env), Player(env, "xembed", files["a"]) as player:
        hears(env, "a")
        # No watcher on this bus: GTK's status icon, in trayer.
        box = wait_for(lambda: env.violet_box(XEMBED_STRIP), 10)
        check(box, "no XEmbed icon in trayer")
        env.xdotool("mousemove", (box[0] + box[2]) // 2, (box[1] + box[3]) // 2)
        env.xdotool("click", "3")
        time.sleep(1.0)
        # The menu holds the keyboard: Up from nothing chosen is its last entry, "Выход".
        env.xdotool("key", "Up")
        env.xdotool("key", "Return")
        check(player.wait_exit() == 0, "Выход in the icon's menu did not end the player")


@case
def the_panel_takes_the_item_and_no_xembed_icon_stays(env, files):
    with SessionBus(env), Player(env, "panel", files["a"]) as player:
        hears(env, "a")
        # No watcher: the XEmbed icon in trayer.
        check(wait_for(lambda: env.violet_box(XEMBED_STRIP), 10), "no XEmbed icon without a watcher")
        with Panel(env):
            registered = lambda: item_name(env, player.process.pid) in run(
                env, "gdbus", "call", "--session", "--dest", WATCHER, "--object-path",
                "/StatusNotifierWatcher", "--method", "org.freedesktop.DBus.Properties.Get",
                WATCHER, "RegisteredStatusNotifierItems")
            check(wait_for(registered, 15), "the item was not registered with the panel")
            check(wait_for(lambda: not env.violet_box(XEMBED_STRIP), 10),
                  "the XEmbed icon stayed beside the item")
            tip = run(env, "gdbus", "call", "--session", "--dest",
                      item_name(env, player.process.pid), "--object-path", ITEM_PATH, "--method",
                      "org.freedesktop.DBus.Properties.Get", ITEM, "ToolTip")
            check("tone a" in tip, "the tooltip does not name the track: %s" % tip)
    # Where the panel takes the item from the start, GTK is left unloaded until a window needs it.
    with SessionBus(env), Panel(env), Player(env, "panel-first", files["a"]) as player:
        hears(env, "a")
        pid = player.process.pid
        check(wait_for(lambda: item_name(env, pid) in run(
            env, "gdbus", "call", "--session", "--dest", WATCHER, "--object-path",
            "/StatusNotifierWatcher", "--method", "org.freedesktop.DBus.Properties.Get",
            WATCHER, "RegisteredStatusNotifierItems"), 15), "the item was not registered")
        # Past the wait for the watcher's answer, after which the XEmbed icon would load it.
        time.sleep(2.5)
        check("libgtk-3" not in read("/proc/%d/maps" % pid).decode(errors="replace"),
              "GTK is loaded while the panel shows the item")
        choose(env, pid, "О программе...")
        check(wait_for(lambda: run(env, "xdotool", "search", "--name", "О программе"), 15),
              "the first window did not open")


def player_log_size(env):
    path = os.path.join(env.root, "player.log")
    return os.path.getsize(path) if os.path.exists(path) else 0


def player_log_since(env, offset):
    with open(os.path.join(env.root, "player.log"), "rb") as f:
        f.seek(offset)
        return f.read().decode("utf-8", "replace")


@case
def media_controls_drive_the_player(env, files):
    # Without a display, where the media controls are the player's way in: no GTK is touched.
    display = env.env.pop("DISPLAY")
    logged = player_log_size(env)
    try:
        media_controls_drive_the_player_on_its_bus(env, files)
    finally:
        env.env["DISPLAY"] = display
    said = player_log_since(env, logged)
    check("CRITICAL" not in said, "GTK complained: %s" % said)
    check("shows no tray icons" in said, "the missing tray was not told: %s" % said)


def media_controls_drive_the_player_on_its_bus(env, files):
    with SessionBus(env), Player(env, "mpris", files["a"]) as player:
        hears(env, "a")
        check(wait_for(lambda: playerctl(env, "metadata", "xesam:title") == "tone a", 5),
              "title: %s" % playerctl(env, "metadata", "xesam:title"))
        playerctl(env, "pause")
        status_becomes(env, "Paused")
        hears_silence(env)
        playerctl(env, "play")
        hears(env, "a")
        playerctl(env, "open", "file://" + files["c"])
        hears(env, "c")
        # A seek into an MP3, whose decoder finds the frame from the ones it indexed.
        playerctl(env, "open", "file://" + files["b"])
        hears(env, "b")
        playerctl(env, "position", "30")
        check(wait_for(lambda: 29.5 < position(env) < 33, 3), "position: %s" % position(env))
        hears(env, "b")
        playerctl(env, "volume", "0.2")
        check(wait_for(lambda: b"Volume=20\r\n" in read(player.file("config.cfg")), 5),
              "volume not saved")


@case
def hotkeys_are_heard_from_x_key_presses(env, files):
    if not shutil.which("xdotool"):
        raise Skipped("xdotool is not installed (scripts/setup)")
    with SessionBus(env), Player(env, "keys", files["a"]):
        hears(env, "a")
        env.xdotool("key", KEY_STOP)
        hears_silence(env)
        env.xdotool("key", KEY_PLAY)
        hears(env, "a")


@case
def wayland_hotkeys_go_through_the_shortcuts_portal(env, files):
    if subprocess.run(["/usr/bin/python3", "-c", "from gi.repository import Gio"],
                      capture_output=True).returncode != 0:
        raise Skipped("/usr/bin/python3 lacks python3-gi (scripts/setup)")
    with SessionBus(env):
        # A Wayland session whose compositor is not there: GTK still opens the X display.
        env.env.update(WAYLAND_DISPLAY="wayland-tunlark-absent", GDK_BACKEND="x11")
        portal = None
        try:
            with Player(env, "wayland", files["a"]) as player:
                hears(env, "a")
                # No portal yet: the X11 keys stand in.
                if shutil.which("xdotool"):
                    env.xdotool("key", KEY_STOP)
                    hears_silence(env)
                    env.xdotool("key", KEY_PLAY)
                    hears(env, "a")
                # One that starts later takes the hotkeys over.
                portal = subprocess.Popen(["/usr/bin/python3", "-c", STAND_IN_PORTAL, ""],
                                          env=dict(env.env, PYTHONIOENCODING="utf-8"),
                                          stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                          stderr=subprocess.STDOUT, start_new_session=True)
                lines_until(portal, "ready")
                asked = lines_until(portal, "bind Mute", 20)
                check(asked[0] == "register tunlark", "the app id was not registered: %s" % asked)
                check([line.split()[1:3] for line in asked[1:]] ==
                      [[p, "CTRL+ALT+" + TRIGGER_KEYS[key.split()[1]]]
                       for p, _, _, key in BINDINGS], "the shortcuts asked for: %s" % asked)
                check(asked[1] == "bind Play CTRL+ALT+KP_5 Проиграть трек",
                      "the description: %s" % asked[1])
                # Bound through the portal: the X11 keys are left to other programs.
                if shutil.which("xdotool"):
                    env.xdotool("key", KEY_STOP)
                    time.sleep(1.5)
                    hears(env, "a")
                portal.stdin.write(b"activate VolumeUp\n")
                portal.stdin.flush()
                check(wait_for(lambda: float(playerctl(env, "volume") or 0) > 0.5, 10),
                      "VolumeUp did not raise the volume: %s" % playerctl(env, "volume"))
                quit_over_bus(env)
                check(player.wait_exit() == 0, "the player did not end cleanly")
            volume = re.search(rb"Volume=(\d+)\r\n", read(player.file("config.cfg")))
            check(volume and int(volume.group(1)) > 50, "the volume saved: %r" % volume)
            check(lines_until(portal, "close")[-1] == "close", "the session was not closed")
        finally:
            for name in ("WAYLAND_DISPLAY", "GDK_BACKEND"):
                env.env.pop(name, None)
            if portal:
                portal.terminate()
                portal.wait(10)


@case
def without_the_ffmpeg_module_its_tracks_are_unplayable_and_the_player_stays(env, files):
    m4a = os.path.join(os.path.dirname(files["a"]), "tone a.m4a")
    subprocess.run(["ffmpeg", "-v", "quiet", "-y", "-i", files["a"], "-c:a", "aac", m4a],
                   check=True, timeout=120)
    folder = env.make_program_dir("no-module")
    os.remove(os.path.join(folder, FFMPEG_MODULE))
    with SessionBus(env), Player(env, "no-module", m4a, folder=folder) as player:
        sound, heard = env.wait_for_sound(lambda s: s.tone == "a", 5)
        check(not heard, "the AAC track played without the module: %r" % sound)
        check(env.run_player(folder, files["c"]) == 0, "the second start failed")
        hears(env, "c")
        check(player.process.poll() is None, "the player ended")


@case
def the_win32_programs_folder_goes_on_playing(env, files):
    folder = env.make_program_dir("adopted")
    # As the Win32 program saved it under Wine: drive paths in Windows-1251, CR LF.
    named = os.path.join(os.path.dirname(files["c"]), "Тон c.ogg")
    shutil.copy(files["c"], named)
    with open(os.path.join(folder, "current.spl"), "wb") as f:
        f.write(("Z:" + named.replace("/", "\\")).encode("cp1251") + b"\r\n")
    with open(os.path.join(folder, "config.cfg"), "rb") as f:
        config = f.read()
    with open(os.path.join(folder, "config.cfg"), "wb") as f:
        f.write(config.replace(b"Autoplay=0", b"Autoplay=1"))
    with SessionBus(env), Player(env, "adopted", folder=folder) as player:
        hears(env, "c")
        quit_over_bus(env)
        check(player.wait_exit() == 0, "the player did not end cleanly")
    check(read(os.path.join(folder, "current.spl")) == named.encode(),
          "current.spl: %r" % read(os.path.join(folder, "current.spl")))


def main():
    # The suite's runner asks for a driver; the native program has none, so any file stands.
    if "--driver" not in sys.argv:
        sys.argv += ["--driver", __file__]
    harness.program_file = lambda bin_dir: os.path.join(bin_dir, PROGRAM)
    import suite
    suite.program_file = harness.program_file
    suite.Environment = NativeEnvironment
    return SUITE.main()


if __name__ == "__main__":
    sys.exit(main())
