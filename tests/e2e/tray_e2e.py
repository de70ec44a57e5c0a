#!/usr/bin/env python3
"""End-to-end test of the tray icon on a desktop with a StatusNotifierWatcher: xfce4-panel, whose
Status Tray is both watcher and host, on the test display with a session bus of the test's own.
The menu is chosen and the wheel turned with the pointer on the panel, as a user does.

Usage: tray_e2e.py --bin BUILD_BIN --driver DRIVER_EXE_SO

Exit code 0 when it passed, 1 when it failed, 77 (skipped) when the program has not been built.
"""

import os
import re
import shutil
import sys
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ of the imported test modules in the checkout
from harness import SCREEN_HEIGHT, _start, _stop  # noqa: E402
from mpris_e2e import SessionBus, id3v23, run, utf16_text  # noqa: E402
import dbus_wire  # noqa: E402
from run_e2e import CMD_PLAY, Player, hears, hears_silence, m3u, read  # noqa: E402
from suite import Skipped, Suite, check, wait_for  # noqa: E402

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM_PATH = "/StatusNotifierItem"
ITEM = "org.kde.StatusNotifierItem"
MENU_PATH = "/MenuBar"
PANEL_CONFIG = "/etc/xdg/xfce4/panel/default.xml"
# The tray strip of the harness's XEmbed host (trayer) at the bottom of the screen.
XEMBED_STRIP = SCREEN_HEIGHT - 48

SUITE = Suite()


class Panel:
    """xfce4-panel with its default layout, started headless on the test display."""

    def __init__(self, env):
        self.env = env
        self.process = None

    def __enter__(self):
        if not shutil.which("xfce4-panel") or not os.path.exists(PANEL_CONFIG):
            raise Skipped("xfce4-panel is not installed (scripts/setup)")
        # Without a configuration of its own the panel asks in a dialog.
        folder = os.path.join(self.env.env["HOME"], ".config", "xfce4", "xfconf",
                              "xfce-perchannel-xml")
        os.makedirs(folder, exist_ok=True)
        shutil.copy(PANEL_CONFIG, os.path.join(folder, "xfce4-panel.xml"))
        log = open(os.path.join(self.env.root, "xfce4-panel.log"), "ab")
        self.process = _start(["xfce4-panel", "--disable-wm-check"], self.env.env, log)
        check(wait_for(lambda: has_owner(self.env, WATCHER), 30), "the panel's watcher did not start")
        return self

    def __exit__(self, *exc):
        _stop(self.process)
        # xfconfd, started by the panel through the bus, ends with the bus.
        return False


def has_owner(env, name):
    return "true" in run(env, "gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                         "--object-path", "/org/freedesktop/DBus", "--method",
                         "org.freedesktop.DBus.NameHasOwner", name)


def registered_items(env):
    return run(env, "gdbus", "call", "--session", "--dest", WATCHER, "--object-path",
               "/StatusNotifierWatcher", "--method", "org.freedesktop.DBus.Properties.Get",
               WATCHER, "RegisteredStatusNotifierItems")


def item_name(env):
    found = re.search(r"org\.kde\.StatusNotifierItem-\d+-1", registered_items(env))
    return found.group(0) if found else None


def item_property(env, name):
    return run(env, "gdbus", "call", "--session", "--dest", item_name(env) or "none",
               "--object-path", ITEM_PATH, "--method", "org.freedesktop.DBus.Properties.Get",
               ITEM, name)


def volume(player):
    found = re.search(rb"Volume=(\d+)", read(player.file("config.cfg")))
    return int(found.group(1)) if found else None


def menu_labels_of_the_resource():
    """The labels of menu 102 in resources/tunlark.rc, in order, without the hidden top pop-up."""
    with open(os.path.join(os.path.dirname(os.path.dirname(HERE)), "resources", "tunlark.rc"),
              encoding="utf-8") as f:
        script = f.read()
    menu = script[script.index("IDR_TRAY_MENU MENU"):]
    menu = menu[:menu.index("\nEND")]
    return re.findall(r'(?:MENUITEM|POPUP) "([^"]*)"', menu)[1:]


def panel_icon(env):
    """The centre of the violet icon on the panel at the top of the screen, or None."""
    box = env.violet_box(0)
    return ((box[0] + box[2]) // 2, (box[1] + box[3]) // 2) if box and box[3] < 40 else None


def only_the_panel_icon(env):
    """One icon on the screen, the item's on the panel: no Win32 icon in any X tray or in a
    stray Wine tray window."""
    box = env.violet_box(0)
    return (box and box[3] < 40 and box[2] - box[0] < 24 and
            not run(env, "xdotool", "search", "--onlyvisible", "--name", "Wine System Tray"))


@SUITE.case
def the_panel_shows_the_item_its_menu_and_never_two_icons(env, files):
    playlist = os.path.join(os.path.dirname(files["a"]), "tray.m3u")
    with open(playlist, "wb") as f:
        f.write(m3u(env, [files["a"], files["b"]]))
    with SessionBus(env) as bus, Player(env, "sni", env.windows_path(playlist)) as player:
        hears(env, "a")
        # No watcher yet: the Win32 icon in the XEmbed tray.
        check(wait_for(lambda: env.violet_box(XEMBED_STRIP), 10), "no Win32 icon without a watcher")
        with Panel(env):
            check(wait_for(lambda: item_name(env), 15), "the item was not registered")
            check(wait_for(lambda: only_the_panel_icon(env), 10),
                  "the Win32 icon stayed beside the item")
            check(wait_for(lambda: "tone a - " in item_property(env, "ToolTip"), 5),
                  "the tooltip does not name the track: %s" % item_property(env, "ToolTip"))
            for name, value in (("Id", "'tunlark'"), ("Title", "'Tunlark'"),
                                ("Status", "'Active'"), ("Category", "'ApplicationStatus'")):
                check(value in item_property(env, name), "%s: %s" % (name, item_property(env, name)))
            check(re.search(r"\(16, 16, \[byte 0x00", item_property(env, "IconPixmap")),
                  "IconPixmap lacks the 16 x 16 picture")
            layout = run(env, "gdbus", "call", "--session", "--dest", item_name(env),
                         "--object-path", MENU_PATH, "--method",
                         "com.canonical.dbusmenu.GetLayout", "0", "--", "-1", "@as []")
            labels = re.findall(r"'label': <'([^']*)'>", layout)
            check(labels == menu_labels_of_the_resource(), "the menu's labels: %s" % labels)
            check(layout.count("'separator'") == 8, "the menu's separators: %s" % layout)

            # The panel draws the menu: a right click on the item, then "Воспроизведение" and
            # its "Стоп", the third item there after "Проиграть" and a separator.
            icon = wait_for(lambda: panel_icon(env), 10)
            check(icon, "the item is not on the panel")
            env.xdotool("mousemove", icon[0], icon[1], "click", "3")
            time.sleep(1.0)
            env.xdotool("key", "Down", "Down", "Down", "Right", "Down", "Down", "Down", "Return")
            hears_silence(env)

            # The wheel steps the volume as the volume hotkeys do, saved the same way.
            before = volume(player)
            env.xdotool("mousemove", icon[0], icon[1], "click", "5")
            check(wait_for(lambda: volume(player) == before - 5, 5),
                  "wheel down: Volume %s after %s" % (volume(player), before))
            env.xdotool("click", "4")
            check(wait_for(lambda: volume(player) == before, 5),
                  "wheel up: Volume %s after %s" % (volume(player), before - 5))

            # Hostile calls: an entry that does not exist, events that choose nothing, a flood of
            # wheel turns. The player keeps running and the volume within its range.
            client = dbus_wire.Connection(bus.address)
            name = item_name(env)
            error, _ = client.call(name, MENU_PATH, "com.canonical.dbusmenu", "Event", "isvu",
                                   (4242, "clicked", ("i", 0), 0))
            check(error == "org.freedesktop.DBus.Error.InvalidArgs", "Event(4242): %s" % error)
            env.drive("command", CMD_PLAY)
            hears(env, "a")
            for event in ("hovered", "opened", "closed"):
                error, _ = client.call(name, MENU_PATH, "com.canonical.dbusmenu", "Event", "isvu",
                                       (9, event, ("i", 0), 0))
                check(error is None, "Event(%s): %s" % (event, error))
            for _ in range(400):
                client.send(name, ITEM_PATH, ITEM, "Scroll", "is", (-120, "vertical"))
            check(client.call(name, ITEM_PATH, ITEM, "Activate", "ii", (0, 0))[0] is None,
                  "Activate failed")
            check(wait_for(lambda: volume(player) == 100, 10), "Volume %s" % volume(player))
            hears(env, "a")
            # A middle click pauses and resumes as the Pause hotkey does.
            for heard in (hears_silence, lambda env: hears(env, "a")):
                error, _ = client.call(name, ITEM_PATH, ITEM, "SecondaryActivate", "ii", (0, 0))
                check(error is None, "SecondaryActivate: %s" % error)
                heard(env)
            client.close()

            # A track whose tags name an artist: "artist — title" stands for the file title, the
            # time kept; the tags arrive after the track started.
            tagged = os.path.join(os.path.dirname(files["a"]), "tray tagged.mp3")
            with open(files["b"], "rb") as f, open(tagged, "wb") as out:
                out.write(id3v23([("TIT2", utf16_text("Группа крови")),
                                  ("TPE1", utf16_text("Кино"))]) + f.read())
            run(env, "playerctl", "-p", "tunlark", "open", "file://" + urllib.parse.quote(tagged))
            check(wait_for(lambda: re.search(r"'Кино — Группа крови - \d+:\d\d/\d+:\d\d ",
                                             item_property(env, "ToolTip")), 10),
                  "the tooltip does not name the tags: %s" % item_property(env, "ToolTip"))

        # The watcher left: the Win32 icon comes back (in Wine's own tray window, since the
        # panel took the X tray over from trayer); a new watcher takes the item again.
        check(wait_for(lambda: env.violet_box(0), 10),
              "the Win32 icon did not come back when the watcher left")
        with Panel(env):
            check(wait_for(lambda: item_name(env), 15), "a new watcher did not get the item")
            check(wait_for(lambda: only_the_panel_icon(env), 10),
                  "the Win32 icon stayed beside the item on the new watcher")
            name = item_name(env)
            check(player.quit() == 0, "exit code %s after Выход" % player.exit_code)
            check(wait_for(lambda: not has_owner(env, name), 5), "the item stayed after Выход")


def main():
    return SUITE.main()


if __name__ == "__main__":
    sys.exit(main())
