#!/usr/bin/env python3
"""End-to-end tests of the choosers, the global hotkeys, the two settings dialogs and the autostart
shortcut: the real player under Wine in the shared environment of harness.py.

Usage: dialogs_e2e.py --bin BUILD_BIN --driver DRIVER_EXE_SO [--case NAME ...]

What a user does is done with real input (xdotool: clicks, typing, key presses sent to the X
server); what is about the program's logic is done by messages to the dialog controls through
dialog_probe_win32.cpp, which is built here with wineg++. Exit code 0 when every case passed, 1
when one failed, 77 (skipped) when the program has not been built.
"""

import glob
import os
import shutil
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from harness import Failure  # noqa: E402
from resource_ids import HOTKEY, RESOURCE, hotkey_box  # noqa: E402
from suite import Skipped, Suite, changed, check, wait_for  # noqa: E402

CMD_OPEN_FOLDER, CMD_OPEN_FILE, CMD_EXIT = (
    RESOURCE[name] for name in ("IDM_OPEN_FOLDER", "IDM_OPEN_FILE", "IDM_EXIT"))
CMD_HOTKEYS, CMD_OPTIONS = RESOURCE["IDM_HOTKEYS"], RESOURCE["IDM_OPTIONS"]
# The options dialog's boxes and the hotkeys dialog's lists the cases use.
OPTIONS_OK, HOTKEYS_OK = RESOURCE["IDC_OPTIONS_OK"], RESOURCE["IDC_HOTKEYS_OK"]
REPEAT_BOX, SHUFFLE_BOX, MUTE_BOX = RESOURCE["IDC_REPEAT"], RESOURCE["IDC_SHUFFLE"], RESOURCE["IDC_MUTE"]
AUTOLOAD_BOX, AUTOPLAY_BOX = RESOURCE["IDC_AUTOLOAD"], RESOURCE["IDC_AUTOPLAY"]
STOP_BOXES = [hotkey_box("Stop", field) for field in range(3)]
MUTE_KEY_BOX = hotkey_box("Mute", 2)

HOTKEYS_TITLE = "Настройка горячих клавиш"
OPTIONS_TITLE = "Опции"
ERROR_TITLE = "Ошибка"
FILE_TITLE = "Открыть файл"

# The default bindings of config.cfg (all with Ctrl+Alt) as X key names.
KEY_VOLUME_UP, KEY_OPEN_FILE, KEY_OPEN_FOLDER = "ctrl+alt+KP_8", "ctrl+alt+KP_7", "ctrl+alt+KP_9"
# What WM_HOTKEY reports for them.
# Numpad "." as a keyboard sends it without Num Lock: the keypad's Delete key.
KEY_STOP = "ctrl+alt+KP_Delete"
HOTKEY_IDS = {KEY_VOLUME_UP: HOTKEY["VolumeUp"], KEY_OPEN_FILE: HOTKEY["OpenFile"],
              KEY_OPEN_FOLDER: HOTKEY["OpenFolder"], KEY_STOP: HOTKEY["Stop"]}

SUITE = Suite()
case = SUITE.case


def press_hotkey(env, key):
    """A global hotkey: a real key press through the X server where the program grabs its keys
    there (Winelib), else the WM_HOTKEY the system would post (the Windows build under Wine, which
    delivers hotkeys only while one of its windows has the focus)."""
    if env.x11_hotkeys:
        env.xdotool("key", key)
    else:
        check(env.drive("hotkey", HOTKEY_IDS[key])[0] == 0, "could not post WM_HOTKEY")


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Probe:
    """The dialog probe, built once per run into the environment's folder."""

    def __init__(self, env):
        self.env = env
        self.program = os.path.join(env.root, "dialog_probe")
        code = env.run_logged(["wineg++", "-O1", "-o", self.program,
                               os.path.join(HERE, "dialog_probe_win32.cpp"), "-lshell32"],
                              "probe-build", timeout=300)
        check(code == 0, "the dialog probe did not build (see probe-build.log)")
        self.program += ".exe.so"
        self.grabber = os.path.join(env.root, "hold_key_grab")
        code = env.run_logged(["gcc", "-o", self.grabber, os.path.join(HERE, "hold_key_grab.c"),
                               "-lX11"], "grabber-build", timeout=120)
        check(code == 0, "the key grabber did not build (see grabber-build.log)")

    def run(self, *args, timeout=30):
        """(exit code, standard output as text)."""
        out_path = os.path.join(self.env.root, "probe.out")
        with open(out_path, "wb") as out, open(os.path.join(self.env.root, "probe.log"),
                                               "ab") as log:
            code = subprocess.run(["wine", self.program] + [str(a) for a in args],
                                  env=self.env.env, stdout=out, stderr=log,
                                  stdin=subprocess.DEVNULL, timeout=timeout).returncode
        return code, read(out_path).decode("utf-8")

    def ok(self, *args, timeout=30):
        return self.run(*args, timeout=timeout)[0] == 0

    def out(self, *args):
        code, text = self.run(*args)
        check(code == 0, "probe %s failed" % (args,))
        return text.strip()

    def rect(self, *args):
        return [int(n) for n in self.out(*args).split()]

    def click(self, *rect_args):
        """A real mouse click in the middle of a window or control."""
        x, y, width, height = self.rect(*rect_args)
        self.env.xdotool("mousemove", x + width // 2, y + height // 2, "click", "1")

    def focus_dialog(self, title):
        """A real click on a blank spot near the dialog's lower left corner, which gives it the
        keyboard focus without touching a control."""
        x, y, width, height = self.rect("rect", title, 0)
        self.env.xdotool("mousemove", x + 4, y + height - 4, "click", "1")
        time.sleep(0.3)


class Player:
    """A running player in a fresh copy of the program folder; ended when the block is left."""

    def __init__(self, env, probe, name, *args, config=None, playlist=None):
        self.env = env
        self.probe = probe
        self.folder = env.make_program_dir(name)
        if config:
            set_config(self.file("config.cfg"), config)
        if playlist is not None:
            with open(self.file("current.spl"), "wb") as f:
                f.write(b"".join(env.windows_path(p).encode("cp1251") + b"\r\n" for p in playlist))
        self.args = args
        self.process = None

    def file(self, name):
        return os.path.join(self.folder, name)

    def config(self, key):
        for line in read(self.file("config.cfg")).split(b"\r\n"):
            if line.startswith(key.encode() + b"="):
                return line.split(b"=", 1)[1].decode("cp1251")
        return None

    def __enter__(self):
        self.process = self.env.start_player(self.folder, *self.args)
        check(self.probe.ok("player", 20000, timeout=60), "the player's window did not appear")
        return self

    def command(self, command_id):
        check(self.probe.ok("player-command", command_id), "command %d not delivered" % command_id)

    def quit(self):
        """Chooses "Выход" and waits for the end. The exit code is not looked at here: what the
        exit must do is write the files, which the cases check."""
        self.command(CMD_EXIT)
        try:
            return self.process.wait(20)
        except subprocess.TimeoutExpired:
            raise Failure("the player did not end")

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.probe.run("player-command", CMD_EXIT)
            try:
                self.process.wait(15)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        return False


def entries_of(playlist):
    return [line for line in read(playlist).decode("cp1251").split("\r\n") if line]


def set_config(path, values):
    lines = read(path).split(b"\r\n")
    for key, value in values.items():
        prefix = key.encode() + b"="
        index = next(i for i, line in enumerate(lines) if line.startswith(prefix))
        lines[index] = prefix + str(value).encode("cp1251")
    with open(path, "wb") as f:
        f.write(b"\r\n".join(lines))


def startup_folder(env):
    folders = glob.glob(os.path.join(env.env["WINEPREFIX"], "drive_c", "users", "*", "AppData",
                                     "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                                     "StartUp"))
    check(len(folders) == 1, "no single Startup folder in the prefix: %s" % folders)
    return folders[0]


def read_shortcut(path):
    """The fields of a shell link file that the program sets."""
    data = read(path)
    flags, = struct.unpack_from("<I", data, 0x14)
    show, = struct.unpack_from("<I", data, 0x3C)
    hotkey, = struct.unpack_from("<H", data, 0x40)
    fields = {"show": show, "hotkey": hotkey, "target": None}
    pos = 0x4C
    if flags & 0x01:  # item id list
        size, = struct.unpack_from("<H", data, pos)
        pos += 2 + size
    if flags & 0x02:  # link info with the local path
        size, info_flags, base = struct.unpack_from("<I4xI4xI", data, pos)
        if info_flags & 1:
            start = pos + base
            fields["target"] = data[start:data.index(b"\0", start)].decode("cp1251")
        pos += size
    unicode = flags & 0x80
    for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "directory"),
                      (0x20, "arguments"), (0x40, "icon")):
        if flags & bit:
            count, = struct.unpack_from("<H", data, pos)
            size = count * 2 if unicode else count
            text = data[pos + 2:pos + 2 + size].decode("utf-16-le" if unicode else "cp1251")
            fields[name] = text.rstrip("\0")
            pos += 2 + size
    return fields


def cancel_folder_browser(env, probe):
    """Escape pressed in the folder browser, as a user cancels it."""
    check(probe.ok("tree-dialog", 10000), "the folder browser did not open")
    probe.click("tree-rect")
    env.xdotool("key", "Escape")
    check(wait_for(lambda: not probe.ok("tree-dialog", 0), 5), "the folder browser stayed open")


# --- the options dialog and the autostart shortcut ----------------------------------------------

@case
def options_boxes_flip_their_settings_at_once(env, probe, files):
    with Player(env, probe, "options", env.windows_path(files["a"]),
                config={"Repeat": 7}) as player:
        sound, heard = env.wait_for_sound(lambda s: s.tone == "a", 10)
        check(heard, "the track did not play: %r" % sound)
        player.command(CMD_OPTIONS)
        check(probe.ok("wait", OPTIONS_TITLE, 10000), "the options dialog did not open")
        boxes = (REPEAT_BOX, SHUFFLE_BOX, MUTE_BOX, AUTOLOAD_BOX, AUTOPLAY_BOX)
        shown = {box: probe.out("checked", OPTIONS_TITLE, box) for box in boxes}
        check(shown == dict(zip(boxes, ["1", "0", "0", "0", "0"])),
              "check marks on opening: %s" % shown)

        for box, key, values in ((REPEAT_BOX, "Repeat", ["0", "1"]),
                                 (SHUFFLE_BOX, "Shuffle", ["1", "0"]),
                                 (MUTE_BOX, "Mute", ["1", "0"]),
                                 (AUTOPLAY_BOX, "Autoplay", ["1", "0"])):
            for value in values:
                probe.out("click", OPTIONS_TITLE, box)
                stored = player.config(key)
                check(stored == value, "box %d: %s=%s, not %s" % (box, key, stored, value))
                check(probe.out("checked", OPTIONS_TITLE, box) == value,
                      "box %d shows %s" % (box, probe.out("checked", OPTIONS_TITLE, box)))
                if box == MUTE_BOX:  # the playing channel follows at once
                    sound, ok = env.wait_for_sound(
                        lambda s: s.silent if value == "1" else s.tone == "a", 5)
                    check(ok, "Mute=%s, heard %r" % (value, sound))

        # Esc does not close it; its OK button does.
        probe.focus_dialog(OPTIONS_TITLE)
        env.xdotool("key", "Escape")
        time.sleep(1.0)
        check(probe.ok("wait", OPTIONS_TITLE, 0), "Esc closed the options dialog")
        probe.click("rect", OPTIONS_TITLE, OPTIONS_OK)
        check(probe.ok("gone", OPTIONS_TITLE, 5000), "OK did not close the options dialog")


@case
def autostart_box_creates_and_deletes_the_shortcut(env, probe, files):
    link = os.path.join(startup_folder(env), "Tunlark.lnk")
    if os.path.exists(link):
        os.remove(link)
    with Player(env, probe, "autostart") as player:
        directory = env.windows_path(player.folder) + "\\"
        player.command(CMD_OPTIONS)
        check(probe.ok("wait", OPTIONS_TITLE, 10000), "the options dialog did not open")

        probe.out("click", OPTIONS_TITLE, AUTOLOAD_BOX)
        check(player.config("Autoload") == "1", "Autoload not saved as 1")
        check(os.path.exists(link), "checking autostart made no Tunlark.lnk")
        fields = read_shortcut(link)
        check(fields["target"] == directory + "Tunlark.exe", "target %r" % fields["target"])
        check(fields.get("directory") == directory, "directory %r" % fields.get("directory"))
        check(fields.get("icon") == directory + "Tunlark.exe", "icon %r" % fields.get("icon"))
        check(not fields.get("arguments"), "arguments %r" % fields.get("arguments"))
        check(fields["hotkey"] == 0, "hotkey %r" % fields["hotkey"])

        probe.out("click", OPTIONS_TITLE, AUTOLOAD_BOX)
        check(player.config("Autoload") == "0", "Autoload not saved as 0")
        check(not os.path.exists(link), "clearing autostart left Tunlark.lnk")

        # Turned on again and deleted by hand: the exit brings it back.
        probe.out("click", OPTIONS_TITLE, AUTOLOAD_BOX)
        probe.out("click", OPTIONS_TITLE, OPTIONS_OK)
        check(probe.ok("gone", OPTIONS_TITLE, 5000), "OK did not close the options dialog")
        os.remove(link)
        player.quit()
        check(os.path.exists(link), "the exit did not restore the shortcut")
    os.remove(link)


# --- the hotkeys dialog and the global hotkeys --------------------------------------------------

REFUSED_TEXT = ("Невозможно зарегистрировать сочетание клавиш в поле %s.\n"
                "Возможно эти клавиши были зарегистрированы ранее.\n"
                "Попробуйте другое сочетание клавиш.")


@case
def combination_used_twice_is_refused_for_the_later_action(env, probe, files):
    # A hand-edited code that disagrees with its name: the dialog shows the name and OK stores
    # the name's code.
    with Player(env, probe, "refused", config={"PlayId3": 1}) as player:
        player.command(CMD_HOTKEYS)
        check(probe.ok("wait", HOTKEYS_TITLE, 10000), "the hotkeys dialog did not open")
        shown = [probe.out("selected", HOTKEYS_TITLE, box) for box in STOP_BOXES + [MUTE_KEY_BOX]]
        check(shown == ["Ctrl", "Alt", "Numpad .", "Numpad *"], "stored names shown: %s" % shown)

        # Mute gets Stop's combination.
        check(probe.ok("select", HOTKEYS_TITLE, MUTE_KEY_BOX, "Numpad ."), "no entry Numpad .")
        probe.out("command", HOTKEYS_TITLE, HOTKEYS_OK)
        check(probe.ok("wait", ERROR_TITLE, 10000), "no error message")
        text = probe.out("text", ERROR_TITLE)
        check(text == REFUSED_TEXT % "'Вкл. / откл. звук'", "error text %r" % text)
        check((player.config("MuteName3"), player.config("MuteId3")) == ("Numpad .", "110"),
              "config.cfg does not hold the refused choice")
        check(player.config("PlayId3") == "101", "PlayId3=%s" % player.config("PlayId3"))

        probe.out("click", ERROR_TITLE, 1)
        check(probe.ok("gone", ERROR_TITLE, 5000), "the error message did not close")
        probe.focus_dialog(HOTKEYS_TITLE)
        env.xdotool("key", "Escape")
        time.sleep(1.0)
        check(probe.ok("wait", HOTKEYS_TITLE, 0), "Esc closed the hotkeys dialog")
        check(probe.out("selected", HOTKEYS_TITLE, MUTE_KEY_BOX) == "Numpad .", "the choice was lost")

        check(probe.ok("select", HOTKEYS_TITLE, MUTE_KEY_BOX, "Numpad *"), "no entry Numpad *")
        probe.click("rect", HOTKEYS_TITLE, HOTKEYS_OK)
        check(probe.ok("gone", HOTKEYS_TITLE, 5000), "OK with free combinations did not close it")
        check(player.config("MuteName3") == "Numpad *", "the accepted choice was not saved")


@case
def combination_grabbed_by_another_x_client_is_refused(env, probe, files):
    if not env.x11_hotkeys:
        raise Skipped("the Windows build does not grab keys through X11")
    out_path = os.path.join(env.root, "grabber.out")
    with open(out_path, "wb") as out:
        grabber = subprocess.Popen([probe.grabber, "KP_5"], env=env.env, stdout=out,
                                   stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    try:
        check(wait_for(lambda: read(out_path).strip() == b"ready", 10), "the grabber did not start")
        with Player(env, probe, "grabbed") as player:
            player.command(CMD_HOTKEYS)
            check(probe.ok("wait", HOTKEYS_TITLE, 10000), "the hotkeys dialog did not open")
            probe.out("command", HOTKEYS_TITLE, HOTKEYS_OK)
            check(probe.ok("wait", ERROR_TITLE, 10000), "no error for the grabbed Play combination")
            text = probe.out("text", ERROR_TITLE)
            check(text == REFUSED_TEXT % "'Проиграть трек'", "error text %r" % text)
            probe.out("click", ERROR_TITLE, 1)
            check(probe.ok("gone", ERROR_TITLE, 5000), "the error message did not close")

            grabber.terminate()
            grabber.wait(10)
            probe.out("command", HOTKEYS_TITLE, HOTKEYS_OK)
            check(probe.ok("gone", HOTKEYS_TITLE, 5000), "the freed combination was still refused")
    finally:
        if grabber.poll() is None:
            grabber.terminate()
            grabber.wait(10)


@case
def hotkey_reaches_the_player_while_another_window_has_the_focus(env, probe, files):
    other = subprocess.Popen(["xmessage", "-name", "tunlark-focus", "-geometry", "+10+10",
                              "another program"], env=env.env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    try:
        with Player(env, probe, "global", env.windows_path(files["a"])) as player:
            sound, heard = env.wait_for_sound(lambda s: s.tone == "a", 10)
            check(heard, "the track did not play: %r" % sound)
            env.xdotool("search", "--sync", "--name", "tunlark-focus", "windowfocus", "--sync")
            focused = subprocess.run(["xdotool", "getwindowfocus", "getwindowname"], env=env.env,
                                     capture_output=True, timeout=10).stdout.strip()
            check(focused == b"tunlark-focus", "the other window has no focus: %r" % focused)

            before = env.listen(1.0).rms
            press_hotkey(env, KEY_VOLUME_UP)
            check(wait_for(lambda: player.config("Volume") == "55", 5),
                  "Volume=%s after one press" % player.config("Volume"))
            after = env.listen(1.0).rms
            check(after > before * 1.05, "not louder: rms %.0f, then %.0f" % (before, after))

            if not env.x11_hotkeys:
                return
            # The lock keys do not change the combination.
            for lock in ("Num_Lock", "Caps_Lock"):
                env.xdotool("key", lock)
                press_hotkey(env, KEY_VOLUME_UP)
                env.xdotool("key", lock)
            check(wait_for(lambda: player.config("Volume") == "65", 5),
                  "Volume=%s after presses with Num Lock and Caps Lock" % player.config("Volume"))
            time.sleep(0.5)
            check(player.config("Volume") == "65", "a press was delivered twice")

            press_hotkey(env, KEY_STOP)
            sound, silent = env.wait_for_sound(lambda s: s.silent, 5)
            check(silent, "the keypad's '.' did not stop the track: %r" % sound)
    finally:
        other.terminate()
        other.wait(10)


# --- the folder browser and the open-file dialog ------------------------------------------------

@case
def cancelled_open_folder_hotkey_rewrites_the_playlist_and_the_menu_does_not(env, probe, files):
    with Player(env, probe, "folder-cancel", playlist=[files["a"]]) as player:
        playlist = player.file("current.spl")
        os.utime(playlist, (946684800, 946684800))
        saved = read(playlist)
        entries = entries_of(playlist)

        player.command(CMD_OPEN_FOLDER)
        cancel_folder_browser(env, probe)
        time.sleep(0.5)
        check(os.stat(playlist).st_mtime == 946684800 and read(playlist) == saved,
              "the cancelled menu item wrote current.spl")

        press_hotkey(env, KEY_OPEN_FOLDER)
        cancel_folder_browser(env, probe)
        check(wait_for(lambda: os.stat(playlist).st_mtime != 946684800, 5),
              "the cancelled hotkey did not write current.spl")
        check(entries_of(playlist) == entries, "current.spl changed: %r" % read(playlist))


@case
def folder_scan_keeps_tracks_by_extension(env, probe, files):
    folder = os.path.join(env.root, "scan")
    os.makedirs(os.path.join(folder, "old.ogg"))
    for name in ("a.mp3", "b.txt", "c.MP3", "Track.AIFF", "trackaiff", "Jóga.mp3", "Ωmega.aiff"):
        shutil.copy(files["a"], os.path.join(folder, name))
    with open(os.path.join(folder, "list.m3u"), "wb") as f:
        f.write(b"#EXTM3U\r\n" + env.windows_path(files["b"]).encode("cp1251") + b"\r\n")

    with Player(env, probe, "folder-scan") as player:
        written = changed(player.file("current.spl"))
        player.command(CMD_OPEN_FOLDER)
        check(probe.ok("tree-dialog", 10000), "the folder browser did not open")
        # From the desktop down through "/" to the folder, as a user does with the keyboard.
        probe.click("tree-rect")
        env.xdotool("key", "Home", "Down", "Right")
        for part in folder.strip("/").split("/"):
            time.sleep(1.2)  # lets the tree's incremental search start afresh
            env.xdotool("type", "--delay", "80", part)
            env.xdotool("key", "Right")
        env.xdotool("key", "Return")
        check(wait_for(written, 10), "the scan wrote no current.spl")
        entries = entries_of(player.file("current.spl"))
        base = env.windows_path(folder) + "\\"
        expected = {base + name for name in ("a.mp3", "c.MP3", "old.ogg", "Track.AIFF")}
        # A name Windows-1251 cannot spell is listed by its alias, whose extension is cut to
        # three letters: the real name's decides.
        aliased = [e for e in entries if e not in expected]
        check(len(entries) == 6 and expected <= set(entries) and all("~" in e for e in aliased)
              and sorted(e[-4:] for e in aliased) == [".AIF", ".MP3"],
              "scanned list %s" % entries)
        sound, heard = env.wait_for_sound(lambda s: s.tone == "a", 10)
        check(heard, "the first track did not play: %r" % sound)


@case
def typed_path_in_the_file_dialog_is_opened_and_played(env, probe, files):
    with Player(env, probe, "open-file", playlist=[files["a"]]) as player:
        player.command(CMD_OPEN_FILE)
        check(probe.ok("wait", FILE_TITLE, 10000), "the file dialog did not open")

        # Hotkeys still work while it is open: OpenFile does nothing, OpenFolder opens the browser.
        press_hotkey(env, KEY_OPEN_FILE)
        time.sleep(1.0)
        check(probe.out("count", FILE_TITLE) == "1", "a second file dialog opened")
        playlist = player.file("current.spl")
        os.utime(playlist, (946684800, 946684800))
        press_hotkey(env, KEY_OPEN_FOLDER)
        cancel_folder_browser(env, probe)
        # The hotkey's path saves the playlist also when cancelled.
        check(wait_for(lambda: os.stat(playlist).st_mtime != 946684800, 5),
              "the cancelled OpenFolder hotkey did not write current.spl")
        saved = read(playlist)

        probe.click("rect", FILE_TITLE, 1148)  # the file name box
        env.xdotool("type", "--delay", "30", env.windows_path(files["c"]))
        env.xdotool("key", "Return")
        check(probe.ok("gone", FILE_TITLE, 5000), "the file dialog stayed open")
        sound, heard = env.wait_for_sound(lambda s: s.tone == "c", 10)
        check(heard, "the typed file did not play: %r" % sound)
        now = read(player.file("current.spl"))
        check(now == saved, "current.spl written before the exit: %r, was %r" % (now, saved))
        player.quit()
        check(entries_of(player.file("current.spl")) == [env.windows_path(files["c"])],
              "current.spl after the exit: %r" % read(player.file("current.spl")))


def probe_and_files(env, args):
    files = env.make_fixtures()
    return Probe(env), files


def main():
    return SUITE.main(arguments=probe_and_files)


if __name__ == "__main__":
    sys.exit(main())
