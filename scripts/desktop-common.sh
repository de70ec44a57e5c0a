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

# Edits the [Default Applications] group of a mimeapps.list (see scripts/edit-mimeapps).
mimeapps_editor="$(dirname "${BASH_SOURCE[0]}")/edit-mimeapps"
