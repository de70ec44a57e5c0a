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
# The program; the launcher of the player under Wine stood there, and older login entries name it.
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

# The menu entry, with @EXEC@ for its command and @MIME_TYPES@ for the types of every file type
# the player opens (resources/track_formats.txt, each type once); the package installs it too.
# mp1 and umx come from resources/tunlark-mime.xml.
desktop_template="$(dirname "${BASH_SOURCE[0]}")/../resources/tunlark.desktop.in"
file_types_table="$(dirname "${BASH_SOURCE[0]}")/../resources/track_formats.txt"
IFS=';' read -r -a mime_types <<<"$(awk '!/^#/ && NF >= 5 {
  n = split($5, t, ";"); for (i = 1; i <= n; i++) if (!seen[t[i]]++) printf "%s;", t[i] }' \
  "$file_types_table")"

# fill_program_dir and the start itself.
. "$(dirname "${BASH_SOURCE[0]}")/launch-common.sh"

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
