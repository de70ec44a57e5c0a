# What scripts/install puts where, and the helpers it shares with scripts/uninstall and
# scripts/run. Sourced.

data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
case "$data_home" in /*) ;; *) data_home="$HOME/.local/share" ;; esac
config_home="${XDG_CONFIG_HOME:-$HOME/.config}"
case "$config_home" in /*) ;; *) config_home="$HOME/.config" ;; esac

# The player writes config.cfg and current.spl beside itself: a folder of the user's own.
program_dir="$data_home/tunlark"
# scripts/run's, kept apart from the installed player's settings and playlist and from build/.
dev_program_dir="$program_dir/dev"
launcher="$program_dir/tunlark"
bin_dir="$HOME/.local/bin"
command_link="$bin_dir/tunlark"
desktop_file="$data_home/applications/tunlark.desktop"
icon_root="$data_home/icons/hicolor"
icon_sizes=(16 32 48 64 128 256)
mime_root="$data_home/mime"
mime_package="$mime_root/packages/tunlark.xml"
mimeapps="$config_home/mimeapps.list"
# Written by the player itself while Autoload is on.
autostart_file="$config_home/autostart/tunlark.desktop"
manifest="$program_dir/installed-files"

# The types of every extension the open-file dialog offers: mp3, wav, ogg, mp2, mp1, aiff, xm,
# mo3, it, s3m, mtm, mod, umx, m3u, pls. mp1 and umx come from resources/tunlark-mime.xml; newer
# MIME databases name WAV audio/vnd.wave.
mime_types=(
  audio/mpeg audio/x-wav audio/vnd.wave audio/ogg audio/x-vorbis+ogg audio/mp2 audio/x-aiff
  audio/x-xm audio/x-mo3 audio/x-it audio/x-s3m audio/x-mod audio/x-umx
  audio/x-mpegurl application/vnd.apple.mpegurl audio/x-scpls
)

# Fills a program folder from a build folder, each file through COPY SOURCE TARGET MODE.
# hotkeys.txt and config.cfg are the player's from the first start on, so they are only put
# there when missing, and from DEFAULTS (written by resources/make_default_files.py) rather than
# from a build folder where a player may have written its own.
fill_program_dir() {  # BUILD_BIN DEFAULTS PROGRAM_DIR COPY
  local bin="$1" defaults="$2" dir="$3" copy="$4"
  "$copy" "$bin/Tunlark.exe.so" "$dir/Tunlark.exe.so" 755
  "$copy" "$bin/Tunlark.exe" "$dir/Tunlark.exe" 755
  "$copy" "$bin/Help/Help.htm" "$dir/Help/Help.htm" 644
  [ -e "$dir/hotkeys.txt" ] || "$copy" "$defaults/hotkeys.txt" "$dir/hotkeys.txt" 644
  # Not through COPY: scripts/uninstall leaves config.cfg in place.
  [ -e "$dir/config.cfg" ] || install -m 644 "$defaults/config.cfg" "$dir/config.cfg"
}

# Quotes a path for the Exec key of a desktop entry: in double quotes when it holds a reserved
# character, and written as a desktop-entry string, where a backslash is doubled.
desktop_exec_quote() {
  local s="${1//%/%%}"
  case "$s" in
    *[[:space:]\"\'\\\<\>~\|\&\;\$\*\?\#\(\)\`]*)
      s="${s//\\/\\\\}"
      s="${s//\"/\\\"}"
      s="${s//\`/\\\`}"
      s="${s//\$/\\\$}"
      s="\"$s\""
      ;;
  esac
  printf '%s' "${s//\\/\\\\}"
}

# Edits the [Default Applications] group of a mimeapps.list:
#   python3 - FILE add TYPE...     puts tunlark.desktop first for each TYPE that does not list it
#                                  yet, and prints "m TYPE" for each one changed;
#   python3 - FILE remove TYPE...  takes it out again, leaving the rest of each line as it was.
# Other lines are kept byte for byte; a group or file left without entries is emptied.
mimeapps_editor='
import sys

path, action, types = sys.argv[1], sys.argv[2], sys.argv[3:]
ID = "tunlark.desktop"
GROUP = "[Default Applications]"
try:
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
except FileNotFoundError:
    lines = []

start = next((i for i, line in enumerate(lines) if line.strip() == GROUP), None)
if start is None:
    if action == "remove":
        sys.exit(0)
    lines.append(GROUP)
    start = len(lines) - 1
end = next((i for i in range(start + 1, len(lines)) if lines[i].startswith("[")), len(lines))
last = start
keys = {}
for i in range(start + 1, end):
    key, equals, _ = lines[i].partition("=")
    if equals:
        keys[key.strip()] = i
        last = i

added = []
for name in types:
    i = keys.get(name)
    if action == "add":
        if i is None:
            added.append(name + "=" + ID + ";")
            print("m " + name)
        else:
            key, _, value = lines[i].partition("=")
            if ID not in [x.strip() for x in value.split(";")]:
                lines[i] = key + "=" + ID + ";" + value
                print("m " + name)
    elif i is not None:
        key, _, value = lines[i].partition("=")
        if value.startswith(ID + ";"):
            value = value[len(ID) + 1:]
        else:
            value = ";".join(x for x in value.split(";") if x.strip() != ID)
        lines[i] = key + "=" + value if value.strip(" ;") else None

lines[last + 1:last + 1] = added
lines = [line for line in lines if line is not None]
start = lines.index(GROUP)
end = next((i for i in range(start + 1, len(lines)) if lines[i].startswith("[")), len(lines))
if all(not line.strip() for line in lines[start + 1:end]):
    del lines[start]
text = "\n".join(lines) + "\n" if any(line.strip() for line in lines) else ""
with open(path, "w", encoding="utf-8") as f:
    f.write(text)
'
