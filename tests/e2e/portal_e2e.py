#!/usr/bin/env python3
"""End-to-end test of the hotkeys through the desktop portal's GlobalShortcuts: the portal client
(in tunlark_portal_probe) against a stand-in portal on a session bus of the test's own, with the
twelve actions and their default bindings. Needs no display and no Wine.

Usage: portal_e2e.py --probe PORTAL_PROBE

Exit code 0 when it passed, 1 when it failed, 77 (skipped) when the probe or python3-gi is missing.
"""

import argparse
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "resources"))
sys.dont_write_bytecode = True
from make_default_files import BINDINGS  # noqa: E402

# The stand-in portal (Debian's python3-gi, so /usr/bin/python3): org.freedesktop.portal.Desktop
# with the GlobalShortcuts interface and the host registry, each call answered through a Request
# object's Response signal as the portal documents it. It binds every shortcut with its preferred
# trigger except those whose trigger is given in argv[1] (comma-separated), as a desktop does for
# a trigger another program holds; a later BindShortcuts of the session binds anew. ListShortcuts
# answers with what is bound. It prints "register APP", "bind ID TRIGGER", "list" and "close"; a
# line "activate ID" on its standard input emits Activated for that shortcut.
STAND_IN_PORTAL = r"""
import sys
from gi.repository import Gio, GLib

TAKEN = set(filter(None, sys.argv[1].split(",")))
PATH = "/org/freedesktop/portal/desktop"
XML = ("<node><interface name='org.freedesktop.portal.GlobalShortcuts'>"
       "<method name='CreateSession'><arg type='a{sv}' direction='in'/>"
       "<arg type='o' direction='out'/></method>"
       "<method name='BindShortcuts'><arg type='o' direction='in'/>"
       "<arg type='a(sa{sv})' direction='in'/><arg type='s' direction='in'/>"
       "<arg type='a{sv}' direction='in'/><arg type='o' direction='out'/></method>"
       "<method name='ListShortcuts'><arg type='o' direction='in'/>"
       "<arg type='a{sv}' direction='in'/><arg type='o' direction='out'/></method>"
       "<signal name='Activated'><arg type='o'/><arg type='s'/><arg type='t'/>"
       "<arg type='a{sv}'/></signal>"
       "<signal name='ShortcutsChanged'><arg type='o'/><arg type='a(sa{sv})'/></signal>"
       "<property name='version' type='u' access='read'/>"
       "</interface>"
       "<interface name='org.freedesktop.host.portal.Registry'>"
       "<method name='Register'><arg type='s' direction='in'/>"
       "<arg type='a{sv}' direction='in'/></method></interface></node>")
SESSION_XML = ("<node><interface name='org.freedesktop.portal.Session'>"
               "<method name='Close'/></interface></node>")
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
node = Gio.DBusNodeInfo.new_for_xml(XML)
session_node = Gio.DBusNodeInfo.new_for_xml(SESSION_XML)
state = {"session": None, "bound": []}


def sender_part(sender):
    return sender[1:].replace(".", "_")


def respond(sender, token, results):
    path = "%s/request/%s/%s" % (PATH, sender_part(sender), token)
    # After the call's own answer, as the portal does.
    GLib.idle_add(lambda: bus.emit_signal(sender, path, "org.freedesktop.portal.Request",
                                          "Response", GLib.Variant("(ua{sv})", (0, results)))
                  and False)
    return path


def session_method(connection, sender, path, interface, name, parameters, invocation):
    print("close", flush=True)
    invocation.return_value(None)


def method(connection, sender, path, interface, name, parameters, invocation):
    args = parameters.unpack()
    if name == "Register":
        print("register", args[0], flush=True)
        invocation.return_value(None)
    elif name == "CreateSession":
        options = args[0]
        session = "%s/session/%s/%s" % (PATH, sender_part(sender), options["session_handle_token"])
        connection.register_object(session, session_node.interfaces[0], session_method, None, None)
        state["session"] = session
        invocation.return_value(GLib.Variant("(o)", (respond(
            sender, options["handle_token"], {"session_handle": GLib.Variant("s", session)}),)))
    elif name == "BindShortcuts":
        session, shortcuts, parent, options = args
        bound = []
        for shortcut_id, properties in shortcuts:
            trigger = properties.get("preferred_trigger", "")
            print("bind", shortcut_id, trigger or "-", properties.get("description", ""),
                  flush=True)
            if trigger and trigger not in TAKEN:
                bound.append((shortcut_id, {
                    "description": GLib.Variant("s", properties.get("description", "")),
                    "trigger_description": GLib.Variant("s", trigger)}))
        state["bound"] = bound
        invocation.return_value(GLib.Variant("(o)", (respond(
            sender, options["handle_token"],
            {"shortcuts": GLib.Variant("a(sa{sv})", bound)}),)))
    elif name == "ListShortcuts":
        session, options = args
        print("list", flush=True)
        invocation.return_value(GLib.Variant("(o)", (respond(
            sender, options["handle_token"],
            {"shortcuts": GLib.Variant("a(sa{sv})", state["bound"])}),)))
    else:
        invocation.return_dbus_error("org.freedesktop.DBus.Error.UnknownMethod", name)


def on_input(channel, condition):
    line = sys.stdin.readline()
    if not line:
        loop.quit()
        return False
    words = line.split()
    if words[:1] == ["activate"] and state["session"]:
        bus.emit_signal(None, PATH, "org.freedesktop.portal.GlobalShortcuts", "Activated",
                        GLib.Variant("(osta{sv})", (state["session"], words[1], 0, {})))
    return True


for info in node.interfaces:
    bus.register_object(PATH, info, method, None, None)
GLib.io_add_watch(GLib.IOChannel.unix_new(0), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP,
                  on_input)
Gio.bus_own_name_on_connection(bus, "org.freedesktop.portal.Desktop",
                               Gio.BusNameOwnerFlags.NONE, lambda *a: print("ready", flush=True),
                               None)
loop = GLib.MainLoop()
loop.run()
"""

MODIFIERS = {"Нет": 0, "Alt": 1, "Ctrl": 2, "Shift": 4}
NUMPAD = {"0": 0x60, "1": 0x61, "2": 0x62, "3": 0x63, "4": 0x64, "5": 0x65, "6": 0x66, "7": 0x67,
          "8": 0x68, "9": 0x69, ".": 0x6E, "+": 0x6B, "-": 0x6D, "*": 0x6A, "/": 0x6F}
TRIGGER_KEYS = {"0": "KP_0", "1": "KP_1", "2": "KP_2", "3": "KP_3", "4": "KP_4", "5": "KP_5",
                "6": "KP_6", "7": "KP_7", "8": "KP_8", "9": "KP_9", ".": "KP_Decimal",
                "*": "KP_Multiply"}
# A trigger the stand-in desktop leaves unbound, as one another program holds.
TAKEN = "CTRL+ALT+KP_Multiply"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


_pending = {}  # what each process printed beyond the last whole line taken


def lines_until(process, wanted, timeout=10):
    """The lines the process prints up to and including the first that starts with wanted."""
    lines = []
    deadline = time.time() + timeout
    while True:
        text = _pending.get(process, b"")
        while b"\n" in text:
            line, text = text.split(b"\n", 1)
            _pending[process] = text
            lines.append(line.decode().strip())
            if lines[-1].startswith(wanted):
                return lines
        left = deadline - time.time()
        ready, _, _ = select.select([process.stdout], [], [], max(left, 0))
        chunk = os.read(process.stdout.fileno(), 65536) if ready else b""
        if not chunk:
            raise Failure("no %r in time; got %s" % (wanted, lines))
        _pending[process] = text + chunk


def run(probe):
    root = tempfile.mkdtemp(prefix="tunlark-portal-")
    address = "unix:path=" + os.path.join(root, "bus")
    env = {k: v for k, v in os.environ.items() if not k.startswith("DBUS_")}
    env.update(DBUS_SESSION_BUS_ADDRESS=address, XDG_RUNTIME_DIR=root)
    processes = []

    def start(command, **kwargs):
        process = subprocess.Popen(command, env=env, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, **kwargs)
        processes.append(process)
        return process

    try:
        daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                   "--address=" + address], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        processes.append(daemon)
        deadline = time.time() + 10
        while not os.path.exists(os.path.join(root, "bus")) and time.time() < deadline:
            time.sleep(0.05)

        # No portal on the bus: the probe says so, for the caller to grab X11 keys instead.
        alone = start([probe, "Play\t3\t101\tПроиграть трек"])
        lines_until(alone, "unavailable")

        # A portal started later is heard of, and binds.
        portal = start(["/usr/bin/python3", "-c", STAND_IN_PORTAL, TAKEN])
        lines_until(portal, "ready")
        late = lines_until(alone, "bound-end")
        check(late == ["appeared", "bound Play CTRL+ALT+KP_5", "bound-end"],
              "a portal started later: %s" % late)
        lines_until(portal, "list")
        # The list asked for after binding is reported as well: heard before the portal ends.
        lines_until(alone, "bound-end")
        # One that ends hands the hotkeys back.
        portal.terminate()
        portal.wait(10)
        check(lines_until(alone, "unavailable") == ["unavailable"],
              "the portal's end was not heard")
        alone.stdin.close()
        alone.wait(10)

        portal = start(["/usr/bin/python3", "-c", STAND_IN_PORTAL, TAKEN])
        lines_until(portal, "ready")
        shortcuts = []
        for prefix, first, second, key in BINDINGS:
            code = NUMPAD[key.split()[1]]
            shortcuts.append("%s\t%d\t%d\tОписание %s" % (
                prefix, MODIFIERS[first] | MODIFIERS[second], code, prefix))
        client = start([probe] + shortcuts)
        answer = lines_until(client, "bound-end")
        bound = dict(line.split()[1:3] for line in answer if line.startswith("bound "))
        expected = {prefix: "CTRL+ALT+" + TRIGGER_KEYS[key.split()[1]]
                    for prefix, _, _, key in BINDINGS}
        asked = lines_until(portal, "bind Mute")
        # Listed after binding: the second report is the whole as the desktop holds it.
        listed = lines_until(client, "bound-end")
        check(listed == answer, "listed after binding: %s, bound: %s" % (listed, answer))
        check(lines_until(portal, "list") == ["list"], "ListShortcuts was not asked")
        check(asked[0] == "register tunlark", "the app id was not registered first: %s" % asked)
        check(["bind %s %s Описание %s" % (p, expected[p], p) for p, _, _, _ in BINDINGS] ==
              asked[1:], "the shortcuts asked for: %s" % asked)
        check(bound == {p: t for p, t in expected.items() if t != TAKEN},
              "the shortcuts reported bound: %s" % bound)
        check("Mute" not in bound, "a trigger the desktop left unbound was reported bound")

        portal.stdin.write(b"activate VolumeUp\n")
        portal.stdin.flush()
        check(lines_until(client, "activated") == ["activated VolumeUp"],
              "Activated did not reach the client")
        client.stdin.close()
        client.wait(10)
        check(lines_until(portal, "close") == ["close"], "the session was not closed at the end")
    finally:
        for process in reversed(processes):
            if process.poll() is None:
                process.terminate()
                process.wait(10)
        shutil.rmtree(root, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    args = parser.parse_args()
    if not os.path.exists(args.probe) or not shutil.which("dbus-daemon"):
        print("SKIPPED: the probe or dbus-daemon is missing")
        return 77
    if subprocess.run(["/usr/bin/python3", "-c", "from gi.repository import Gio"],
                      capture_output=True).returncode != 0:
        print("SKIPPED: /usr/bin/python3 lacks python3-gi (scripts/setup)")
        return 77
    try:
        run(args.probe)
    except Failure as failure:
        print("FAIL twelve_shortcuts_bound_and_activated: %s" % failure)
        return 1
    print("PASS twelve_shortcuts_bound_and_activated")
    return 0


if __name__ == "__main__":
    sys.exit(main())
