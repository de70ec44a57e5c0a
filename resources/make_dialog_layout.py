#!/usr/bin/env python3
"""Writes the dialogs of dialogs.rc (captions, sizes, and each control's kind, text, id and place,
in the script's order) as C++ initialisers, so that the native program's dialogs take their texts
and controls from the same script as the Win32 program's.

    make_dialog_layout.py dialogs.rc resource_ids.h OUTPUT.inc
"""
import re
import sys

KINDS = {
    "PUSHBUTTON": "kButton",
    "DEFPUSHBUTTON": "kButton",
    "GROUPBOX": "kGroup",
    "LTEXT": "kLabel",
    "COMBOBOX": "kComboBox",
    "AUTOCHECKBOX": "kCheckBox",
}


def resource_ids(header):
    ids = {}
    for match in re.finditer(r"^#define\s+(\w+)\s+(\d+)\s*$", header, re.M):
        ids[match.group(1)] = int(match.group(2))
    return ids


def control_id(expression, ids):
    """An id as the script writes it: a number, a name, or a name plus a number."""
    total = 0
    for term in expression.split("+"):
        term = term.strip()
        total += int(term) if re.fullmatch(r"-?\d+", term) else ids[term]
    return total


def c_bytes(text):
    """UTF-8 bytes as an escaped C literal, whatever the compiler's execution character set."""
    return '"' + "".join("\\x%02x" % b for b in text.encode("utf-8")) + '"'


def rc_string(quoted):
    return quoted[1:-1].replace('""', '"')


def dialogs(script, ids):
    """Yields (id, width, height, caption, controls) for each DIALOGEX."""
    current = None
    for line in script.splitlines():
        line = line.strip()
        start = re.match(r"(\w+)\s+DIALOGEX\s+\d+,\s*\d+,\s*(\d+),\s*(\d+)$", line)
        if start:
            current = [ids[start.group(1)], int(start.group(2)), int(start.group(3)), "", []]
            continue
        if current is None:
            continue
        caption = re.match(r'CAPTION\s+("(?:[^"]|"")*")$', line)
        if caption:
            current[3] = rc_string(caption.group(1))
            continue
        if line == "END":
            yield tuple(current)
            current = None
            continue
        words = line.split(None, 1)
        if not words or words[0] not in KINDS:
            continue
        rest = words[1]
        text = ""
        quoted = re.match(r'("(?:[^"]|"")*")\s*,\s*(.*)$', rest)
        if quoted:
            text, rest = rc_string(quoted.group(1)), quoted.group(2)
        fields = [field.strip() for field in rest.split(",")]
        place = [int(field) for field in fields[1:5]]
        current[4].append((KINDS[words[0]], text, control_id(fields[0], ids), place))


def main():
    script_path, header_path, output_path = sys.argv[1:4]
    with open(script_path, encoding="utf-8") as f:
        script = f.read()
    with open(header_path, encoding="utf-8") as f:
        ids = resource_ids(f.read())
    out = ["// Made from resources/dialogs.rc by resources/make_dialog_layout.py."]
    for dialog_id, width, height, caption, controls in dialogs(script, ids):
        out.append("{%d, %d, %d, %s, {" % (dialog_id, width, height, c_bytes(caption)))
        for kind, text, number, (x, y, w, h) in controls:
            out.append("  {DialogControlKind::%s, %s, %d, %d, %d, %d, %d}," %
                       (kind, c_bytes(text), number, x, y, w, h))
        out.append("}},")
    text = "\n".join(out) + "\n"
    try:
        with open(output_path, encoding="utf-8") as f:
            if f.read() == text:
                return
    except OSError:
        pass
    with open(output_path, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
