"""The program's ids as its sources define them: the resource ids of resources/resource_ids.h, the
hotkey ids of the hotkey action table (and so config.cfg's length) and the dialogs' sizes in resources/dialogs.rc, so that no
test repeats a number."""

import os
import re

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def _read(relative):
    with open(os.path.join(ROOT, relative), encoding="utf-8", errors="replace") as source:
        return source.read()


RESOURCE = {name: int(value) for name, value in
            re.findall(r"^#define (ID\w+) (\d+)$", _read("resources/resource_ids.h"), re.M)}

# {"Play", 5, ...} rows of HotkeyActions, by their config.cfg prefix.
HOTKEY = {name: int(value) for name, value in
          re.findall(r'^\s*\{"(\w+)", (\d+), "', _read("settings/hotkeys.cpp"), re.M)}

assert sorted(HOTKEY.values()) == list(range(1, len(HOTKEY) + 1)), \
    "the hotkey action table was not found"

# config.cfg's lines: [Main], the six settings, [HotKeys], then six per hotkey action.
CONFIG_LINES = 8 + 6 * len(HOTKEY)

# {"IDD_HOTKEYS": (width, height), ...} in dialog units.
DIALOG_SIZE = {name: (int(width), int(height)) for name, width, height in
               re.findall(r"^(IDD_\w+) DIALOGEX \d+, \d+, (\d+), (\d+)$",
                          _read("resources/dialogs.rc"), re.M)}


def hotkey_box(action, field):
    """The hotkeys dialog's list for field 0, 1 (modifiers) or 2 (key) of an action."""
    return RESOURCE["IDC_HOTKEY_BOXES"] + 3 * list(HOTKEY).index(action) + field
