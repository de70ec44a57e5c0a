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
import subprocess
import sys
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ of the imported test modules in the checkout
from harness import SCREEN_HEIGHT, _start, _stop  # noqa: E402
from mpris_e2e import SessionBus, id3v23, listed, run, utf16_text  # noqa: E402
import dbus_wire  # noqa: E402
from run_e2e import CMD_PLAY, Player, hears, hears_silence, m3u, menu_open, read  # noqa: E402
from suite import Skipped, Suite, check, wait_for  # noqa: E402

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM_PATH = "/StatusNotifierItem"
ITEM = "org.kde.StatusNotifierItem"
MENU_PATH = "/MenuBar"
PANEL_CONFIG = "/etc/xdg/xfce4/panel/default.xml"
# The tray strip of the harness's XEmbed host (trayer) at the bottom of the screen.
XEMBED_STRIP = SCREEN_HEIGHT - 48

SUITE = Suite()

# A watcher of the test's own (Debian's python3-gi, so /usr/bin/python3): it answers
# RegisterStatusNotifierItem after the delays given in milliseconds (the last one for every
# later call), then says StatusNotifierItemRegistered; it has no host until a line comes on its
# standard input. It prints "register NAME" for each call.
STAND_IN_WATCHER = r"""
import sys
from gi.repository import Gio, GLib

DELAYS = [int(ms) for ms in sys.argv[1].split(",")]
WATCHER = "org.kde.StatusNotifierWatcher"
XML = ("<node><interface name='org.kde.StatusNotifierWatcher'>"
       "<method name='RegisterStatusNotifierItem'><arg type='s' direction='in'/></method>"
       "<property name='RegisteredStatusNotifierItems' type='as' access='read'/>"
       "<property name='IsStatusNotifierHostRegistered' type='b' access='read'/>"
       "<property name='ProtocolVersion' type='i' access='read'/>"
       "<signal name='StatusNotifierItemRegistered'><arg type='s'/></signal>"
       "<signal name='StatusNotifierHostRegistered'/>"
       "</interface></node>")
state = {"host": False, "items": [], "calls": 0}
bus = Gio.bus_get_sync(Gio.BusType.SESSION)


def method(connection, sender, path, interface, name, parameters, invocation):
    service = parameters.unpack()[0]
    delay = DELAYS[min(state["calls"], len(DELAYS) - 1)]
    state["calls"] += 1
    print("register", service, flush=True)

    def answer():
        state["items"].append(service)
        invocation.return_value(None)
        connection.emit_signal(None, "/StatusNotifierWatcher", WATCHER,
                               "StatusNotifierItemRegistered",
                               GLib.Variant("(s)", (service + "/StatusNotifierItem",)))
        return False
    GLib.timeout_add(delay, answer)


def get(connection, sender, path, interface, name):
    if name == "IsStatusNotifierHostRegistered":
        return GLib.Variant("b", state["host"])
    if name == "ProtocolVersion":
        return GLib.Variant("i", 0)
    return GLib.Variant("as", state["items"])


def on_input(channel, condition):
    if not sys.stdin.readline():
        loop.quit()
        return False
    state["host"] = True
    bus.emit_signal(None, "/StatusNotifierWatcher", WATCHER, "StatusNotifierHostRegistered", None)
    print("host", flush=True)
    return True


node = Gio.DBusNodeInfo.new_for_xml(XML)
bus.register_object("/StatusNotifierWatcher", node.interfaces[0], method, get, None)
GLib.io_add_watch(GLib.IOChannel.unix_new(0), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP,
                  on_input)
Gio.bus_own_name_on_connection(bus, WATCHER, Gio.BusNameOwnerFlags.NONE, None, None)
loop = GLib.MainLoop()
loop.run()
"""


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


def request_to_effect(env, bus, player, level):
    """Seconds from setting the MPRIS Volume to level until config.cfg holds it."""
    client = dbus_wire.Connection(bus.address)
    started = time.time()
    client.send("org.mpris.MediaPlayer2.tunlark", "/org/mpris/MediaPlayer2",
                "org.freedesktop.DBus.Properties", "Set", "ssv",
                ("org.mpris.MediaPlayer2.Player", "Volume", ("d", level)))
    wait_for(lambda: volume(player) == round(level * 100), 10, step=0.005)
    client.close()
    return time.time() - started


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
            pixmaps = item_property(env, "IconPixmap")
            sides = sorted(int(side) for side in re.findall(r"\((\d+), \1, \[", pixmaps))
            check(sides == [16, 20, 24, 32, 40, 48], "IconPixmap's sizes: %s" % sides)
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
            # While the menu is open the tooltip (its time goes on every second) stays as it was,
            # so that the panel draws no tooltip over the menu.
            held = item_property(env, "ToolTip")
            time.sleep(2.2)
            check(item_property(env, "ToolTip") == held, "the tooltip changed under the menu")
            env.xdotool("key", "Down", "Down", "Down", "Right", "Down", "Down", "Down", "Return")
            hears_silence(env)
            # The choice closed the menu: the tooltip follows the player again.
            check(wait_for(lambda: "остановлено" in item_property(env, "ToolTip"), 5),
                  "the tooltip stayed held after the menu: %s" % item_property(env, "ToolTip"))

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
            group = subprocess.run(["gdbus", "call", "--session", "--dest", name, "--object-path",
                                    MENU_PATH, "--method", "com.canonical.dbusmenu.EventGroup",
                                    "[(4242, 'clicked', <0>, uint32 0)]"], env=env.env,
                                   capture_output=True, timeout=30)
            check(b"InvalidArgs" in group.stderr, "EventGroup(4242): %s" % group.stdout)
            env.drive("command", CMD_PLAY)
            hears(env, "a")
            for event in ("hovered", "opened", "closed"):
                error, _ = client.call(name, MENU_PATH, "com.canonical.dbusmenu", "Event", "isvu",
                                       (9, event, ("i", 0), 0))
                check(error is None, "Event(%s): %s" % (event, error))
            # Qt hosts (Plasma) send +120 for a notch up.
            for _ in range(400):
                client.send(name, ITEM_PATH, ITEM, "Scroll", "is", (120, "vertical"))
            check(client.call(name, ITEM_PATH, ITEM, "Activate", "ii", (0, 0))[0] is None,
                  "Activate failed")
            check(wait_for(lambda: volume(player) == 100, 10), "Volume %s" % volume(player))
            hears(env, "a")
            # A middle click pauses and resumes as the Pause hotkey does.
            for heard in (hears_silence, lambda env: hears(env, "a")):
                error, _ = client.call(name, ITEM_PATH, ITEM, "SecondaryActivate", "ii", (0, 0))
                check(error is None, "SecondaryActivate: %s" % error)
                heard(env)
            # A host that draws no dbusmenu asks for the menu: the Win32 one opens at its point.
            error, _ = client.call(name, ITEM_PATH, ITEM, "ContextMenu", "ii", (300, 300))
            check(error is None, "ContextMenu: %s" % error)
            check(wait_for(lambda: menu_open(env), 5), "ContextMenu opened no menu")
            env.xdotool("mousemove", 700, 500, "click", "1")
            if not wait_for(lambda: not menu_open(env), 3):
                env.xdotool("key", "Escape")
            check(wait_for(lambda: not menu_open(env), 5), "the menu did not close")
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


class NoXTray:
    """The harness's XEmbed tray host (trayer) stopped for as long as the block runs."""

    def __init__(self, env):
        self.env = env
        self.trayer = None

    def __enter__(self):
        self.trayer = next(p for p in self.env.processes if p.args[0] == "trayer")
        _stop(self.trayer)
        return self

    def __exit__(self, *exc):
        self.env.processes.remove(self.trayer)
        self.env.processes.append(_start(self.trayer.args, self.env.env,
                                         open(os.path.join(self.env.root, "trayer.log"), "ab")))
        return False


@SUITE.case
def a_panel_after_the_player_holds_up_no_request(env, files):
    # As at a login where the panel comes up after the player: the Win32 icon is in Wine's own
    # tray window when the panel's watcher takes the item, and Wine's shell takes seconds to
    # take it away from there.
    with NoXTray(env), SessionBus(env) as bus, \
            Player(env, "sni-after", env.windows_path(files["a"])) as player:
        hears(env, "a")
        check(wait_for(lambda: env.violet_box(0), 10), "no Win32 icon without a watcher")
        with Panel(env):
            check(wait_for(lambda: item_name(env), 15), "the item was not registered")
            seconds = request_to_effect(env, bus, player, 0.45)
            check(seconds < 0.5, "the first request took effect after %.2f s" % seconds)
            check(request_to_effect(env, bus, player, 0.55) < 0.5, "a later request was slow")
            check(wait_for(lambda: only_the_panel_icon(env), 10),
                  "the Win32 icon stayed beside the item")


@SUITE.case
def late_watchers_hosts_and_a_new_bus_leave_one_icon(env, files):
    try:
        subprocess.run(["/usr/bin/python3", "-c", "from gi.repository import Gio"], check=True,
                       capture_output=True, timeout=30)
    except (OSError, subprocess.SubprocessError):
        raise Skipped("/usr/bin/python3 lacks python3-gi (scripts/setup)")
    def win32_icon(env):
        # Anywhere: trayer's strip, or Wine's own tray window once a panel took the X tray over.
        return env.violet_box(0)

    with SessionBus(env) as bus, Player(env, "sni-late", env.windows_path(files["a"])):
        hears(env, "a")
        log_path = os.path.join(env.root, "stand-in-watcher.log")
        log = open(log_path, "w")
        # The first registration answered at once, every later one after the player's 3 s.
        watcher = subprocess.Popen(["/usr/bin/python3", "-c", STAND_IN_WATCHER, "0,4500"],
                                   env=env.env, stdin=subprocess.PIPE, stdout=log,
                                   stderr=subprocess.STDOUT, start_new_session=True)
        try:
            def registrations():
                with open(log_path) as f:
                    return f.read().count("register org.kde.StatusNotifierItem-")

            check(wait_for(lambda: registrations() == 1, 15), "the item did not register")
            # A watcher with no host shows nothing: the Win32 icon stays.
            time.sleep(2)
            check(win32_icon(env), "the Win32 icon left for a watcher without a host")
            # A host comes: the item registers again, is answered late, and is taken when the
            # watcher says so; only then the Win32 icon leaves.
            watcher.stdin.write(b"host\n")
            watcher.stdin.flush()
            check(wait_for(lambda: registrations() == 2, 10), "no registration when a host came")
            time.sleep(2)
            check(win32_icon(env), "the Win32 icon left before the watcher answered")
            check(wait_for(lambda: not win32_icon(env), 10),
                  "the Win32 icon stayed beside the item the watcher took late")
        finally:
            watcher.stdin.close()
            _stop(watcher)
            log.close()

        # The session bus goes away and a new one comes: the Win32 icon meanwhile, and the
        # media controls on the new bus within seconds.
        bus.__exit__(None, None, None)
        check(wait_for(lambda: win32_icon(env), 10), "no Win32 icon without a bus")
        bus.__enter__()
        check(wait_for(lambda: listed(env), 15), "the player did not come back to a new bus")


def main():
    return SUITE.main()


if __name__ == "__main__":
    sys.exit(main())
