#!/usr/bin/env python3
"""Writes the tray menu (IDR_TRAY_MENU of tunlark.rc) as a C++ table for the native program, so
that its menus take their labels, order, submenus and separators from the same script as the
Win32 program's.

    make_menu_table.py tunlark.rc OUTPUT.h
"""
import re
import sys

MENU_ID = "IDR_TRAY_MENU"


def menu_lines(text):
    """The lines of the menu's outer POPUP, without it."""
    lines = text.splitlines()
    start = next(i for i, line in enumerate(lines) if re.match(r"\s*%s\s+MENU\b" % MENU_ID, line))
    rows = []
    depth = 0
    for line in lines[start + 1:]:
        stripped = line.strip()
        if stripped in ("BEGIN", "{"):
            depth += 1
            continue
        if stripped in ("END", "}"):
            depth -= 1
            if depth == 0:
                break
            continue
        if stripped and depth >= 1:
            rows.append((depth, stripped))
    return rows


def rc_string(quoted):
    """The text of an .rc string literal: "" is a quote."""
    return quoted[1:-1].replace('""', '"')


def c_bytes(text):
    """UTF-8 bytes as an escaped C literal, whatever the compiler's execution character set."""
    return '"' + "".join("\\x%02x" % b for b in text.encode("utf-8")) + '"'


def table(rows):
    out = []
    # The outer POPUP (depth 1) is the menu itself; its entries are at depth 2.
    for depth, line in rows:
        level = depth - 2
        if level < 0:
            continue
        m = re.match(r'MENUITEM\s+SEPARATOR\b', line)
        if m:
            out.append("    {%d, TrayMenuRow::kSeparator, \"\", 0}," % level)
            continue
        m = re.match(r'MENUITEM\s+("(?:[^"]|"")*")\s*,\s*(\w+)', line)
        if m:
            out.append("    {%d, TrayMenuRow::kCommand, %s, %s}," %
                       (level, c_bytes(rc_string(m.group(1))), m.group(2)))
            continue
        m = re.match(r'POPUP\s+("(?:[^"]|"")*")', line)
        if m:
            out.append("    {%d, TrayMenuRow::kSubmenu, %s, 0}," %
                       (level, c_bytes(rc_string(m.group(1)))))
            continue
        raise SystemExit("make_menu_table.py: cannot read menu line: %s" % line)
    return out


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    with open(sys.argv[1], encoding="utf-8-sig") as f:
        rows = menu_lines(f.read())
    body = "\n".join(table(rows))
    text = ("// Made from resources/tunlark.rc by resources/make_menu_table.py; do not edit.\n"
            "#pragma once\n\n#include \"app/tray_menu.h\"\n#include \"resources/resource_ids.h\"\n\n"
            "constexpr TrayMenuRow kTrayMenuRows[] = {\n%s\n};\n" % body)
    try:
        with open(sys.argv[2], encoding="utf-8") as f:
            if f.read() == text:
                return
    except OSError:
        pass
    with open(sys.argv[2], "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
