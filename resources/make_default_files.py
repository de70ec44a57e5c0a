#!/usr/bin/env python3
"""Writes the config.cfg and hotkeys.txt delivered beside the program.

Usage: make_default_files.py PROGRAM_DIR

config.cfg: Volume 50, every flag 0, and default hotkeys on Ctrl + Alt + the numeric keypad,
which desktops leave free (Ctrl + Alt + F-keys switch consoles, Ctrl + Alt + arrows switch
workspaces). Six lines for each action of the hotkey table in settings/hotkeys.cpp, in its order,
after eight for the settings: 80 for twelve actions. Windows-1251, CR LF, no line end after the
last line.
hotkeys.txt: the program only needs it to exist; it tells the user where the hotkeys live.
"""

import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

MODIFIERS = {"Нет": 0, "Alt": 1, "Ctrl": 2, "Shift": 4}
KEYS = {
    "Numpad 0": 0x60, "Numpad 1": 0x61, "Numpad 2": 0x62, "Numpad 3": 0x63, "Numpad 4": 0x64,
    "Numpad 5": 0x65, "Numpad 6": 0x66, "Numpad 7": 0x67, "Numpad 8": 0x68, "Numpad 9": 0x69,
    "Numpad .": 0x6E, "Numpad +": 0x6B, "Numpad -": 0x6D, "Numpad *": 0x6A, "Numpad /": 0x6F,
}

# In the order of the file: (prefix, first modifier, second modifier, key).
BINDINGS = [
    ("Play", "Ctrl", "Alt", "Numpad 5"),
    ("Pause", "Ctrl", "Alt", "Numpad 0"),
    ("Stop", "Ctrl", "Alt", "Numpad ."),
    ("PTrack", "Ctrl", "Alt", "Numpad 4"),
    ("NTrack", "Ctrl", "Alt", "Numpad 6"),
    ("RewindB", "Ctrl", "Alt", "Numpad 1"),
    ("RewindF", "Ctrl", "Alt", "Numpad 3"),
    ("OpenFile", "Ctrl", "Alt", "Numpad 7"),
    ("OpenFolder", "Ctrl", "Alt", "Numpad 9"),
    ("VolumeUp", "Ctrl", "Alt", "Numpad 8"),
    ("VolumeDown", "Ctrl", "Alt", "Numpad 2"),
    ("Mute", "Ctrl", "Alt", "Numpad *"),
]

SETTINGS = [("Volume", 50), ("Mute", 0), ("Repeat", 0), ("Shuffle", 0), ("Autoload", 0),
            ("Autoplay", 0)]

HOTKEYS_TEXT = """Tunlark: горячие клавиши

Этот файл должен лежать рядом с Tunlark.exe: без него плеер не читает настройки.
Сами сочетания клавиш хранятся в config.cfg и меняются в меню
"Настройки" -> "Настроить горячие клавиши...".
"""


def table_prefixes():
    """The config.cfg prefixes of the hotkey action table, in its order."""
    with open(os.path.join(ROOT, "settings", "hotkeys.cpp"), encoding="utf-8") as source:
        return re.findall(r'^\s*\{"(\w+)", \d+, "', source.read(), re.M)


def config_lines():
    lines = ["[Main]"]
    lines += ["%s=%d" % setting for setting in SETTINGS]
    lines.append("[HotKeys]")
    for prefix, first, second, key in BINDINGS:
        lines += [prefix + "Name1=" + first, prefix + "Name2=" + second, prefix + "Name3=" + key]
        lines += ["%sId1=%d" % (prefix, MODIFIERS[first]), "%sId2=%d" % (prefix, MODIFIERS[second]),
                  "%sId3=%d" % (prefix, KEYS[key])]
    prefixes = table_prefixes()
    assert [binding[0] for binding in BINDINGS] == prefixes, \
        "BINDINGS must list the hotkey table's actions in its order: %s" % prefixes
    assert len(lines) == 2 + len(SETTINGS) + 6 * len(prefixes)
    return lines


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_default_files.py PROGRAM_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "config.cfg"), "wb") as f:
        f.write("\r\n".join(config_lines()).encode("cp1251"))
    with open(os.path.join(out, "hotkeys.txt"), "wb") as f:
        f.write(HOTKEYS_TEXT.replace("\n", "\r\n").encode("cp1251"))


if __name__ == "__main__":
    main()
