# Starting the player: the native program for scripts/install's `tunlark` command and the
# package's, and under Wine for a Win32 program folder (tunlark_launch below). Sourced.

# Fills a program folder of the native program from a build folder or the installed program,
# each file through COPY SOURCE TARGET MODE. hotkeys.txt and config.cfg are the player's from the
# first start on, so they are only put there when missing, and from DEFAULTS (written by
# resources/make_default_files.py) rather than from a build folder where a player may have
# written its own. A folder the player under Wine used keeps the user's files as they are.
fill_program_dir() {  # BUILD_BIN DEFAULTS PROGRAM_DIR COPY
  local bin="$1" defaults="$2" dir="$3" copy="$4"
  "$copy" "$bin/tunlark" "$dir/tunlark" 755
  "$copy" "$bin/tunlark-player.so" "$dir/tunlark-player.so" 644
  # FFmpeg's decoder and GTK's windows, which the program loads from beside itself.
  "$copy" "$bin/tunlark-ffmpeg.so" "$dir/tunlark-ffmpeg.so" 644
  "$copy" "$bin/tunlark-gtk.so" "$dir/tunlark-gtk.so" 644
  "$copy" "$bin/Help/Help.htm" "$dir/Help/Help.htm" 644
  [ -e "$dir/hotkeys.txt" ] || "$copy" "$defaults/hotkeys.txt" "$dir/hotkeys.txt" 644
  # Not through COPY: scripts/uninstall leaves config.cfg in place.
  [ -e "$dir/config.cfg" ] || install -m 644 "$defaults/config.cfg" "$dir/config.cfg"
}

# A COPY for fill_program_dir that copies only what differs, beside the target and renamed over
# it: a running player keeps its program file intact while a later start hands it a file. A link
# in the target's place (the older package's launcher) is replaced, never followed.
refresh_file() {  # SOURCE TARGET MODE
  if [ ! -L "$2" ] && cmp -s "$1" "$2"; then
    return 0
  fi
  mkdir -p "$(dirname "$2")"
  install -m "$3" "$1" "$2.new"
  mv -f "$2.new" "$2"
}

# The program folder of the current user for the player installed from the package: the program
# in SYSTEM_DIR/program cannot be written by users, and the player keeps config.cfg, hotkeys.txt
# and current.spl beside itself, so each user runs a copy of it from
# ~/.local/share/tunlark/package/, the folder the package's player under Wine used. Each start
# refreshes the copy (an upgrade replaced the program) and never touches the user's files; the
# first one carries settings and playlist over from a player that scripts/install put into the
# folder above. Prints the folder.
tunlark_user_program_dir() {  # SYSTEM_DIR
  local system_dir="$1" data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
  case "$data_home" in /*) ;; *) data_home="$HOME/.local/share" ;; esac
  local dir="$data_home/tunlark/package" older="$data_home/tunlark" name
  if [ ! -d "$dir" ]; then
    mkdir -p "$dir"
    for name in config.cfg current.spl; do
      [ -f "$older/tunlark" ] || [ -f "$older/Tunlark.exe.so" ] || continue
      if [ -f "$older/$name" ]; then
        cp -p "$older/$name" "$dir/$name"
      fi
    done
  fi
  fill_program_dir "$system_dir/program" "$system_dir" "$dir" refresh_file
  # The older package's copies of its program under Wine: the package's, not the user's.
  rm -f -- "$dir/Tunlark.exe.so" "$dir/Tunlark.exe"
  printf '%s\n' "$dir"
}

# Starts the native program of PROGRAM_DIR in the background, its output in a log in the
# folder; a second start hands FILE over to the running player and ends at once.
# --at-login is what login entries of the older launcher pass; the program passes over it too.
tunlark_start_native() {  # PROGRAM_DIR [--at-login] [FILE]
  local dir="$1"
  shift
  if [ "${1:-}" = "--at-login" ]; then
    shift
  fi
  local args=()
  # The program takes a relative path from its own working folder, which nohup keeps.
  if [ $# -gt 0 ]; then
    args=("$1")
  fi
  local log="$dir/native.log"
  nohup "$dir/tunlark" "${args[@]}" >>"$log" 2>&1 </dev/null &
  echo "tunlark: started (output in $log)"
}

# The player under Wine: Tunlark.exe.so of the Winelib build in a program folder.
#   tunlark_launch PROGRAM_DIR [--at-login] [FILE]
# FILE is a Linux path, turned into the Windows path the player expects. A second start hands
# FILE over to the running player and ends at once.
# --at-login waits up to a minute for the desktop's tray (an X system tray or a
# StatusNotifierWatcher), which a login session may start after its autostart entries.
# The player uses a Wine prefix of its own (TUNLARK_WINEPREFIX, by default
# ~/.local/share/tunlark/wineprefix) with a Russian locale, so that its texts use Windows-1251.

# Prints the window id of the owner of the system tray selection, 0 when there is none.
tunlark_tray_owner() {
  python3 - <<'PY' 2>/dev/null || echo 0
import ctypes
x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultScreen.argtypes = [ctypes.c_void_p]
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XGetSelectionOwner.restype = ctypes.c_ulong
display = x11.XOpenDisplay(None)
if not display:
    print(0)
else:
    name = b"_NET_SYSTEM_TRAY_S%d" % x11.XDefaultScreen(display)
    print(x11.XGetSelectionOwner(display, x11.XInternAtom(display, name, 0)))
PY
}

# True when NAME has an owner on the session bus.
tunlark_bus_has() {  # NAME
  command -v busctl >/dev/null 2>&1 || return 1
  [ "$(busctl --user --timeout=2 call org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus NameHasOwner s "$1" 2>/dev/null)" = "b true" ]
}

# The file:// URI of an absolute path, every byte but unreserved ones and '/' percent-encoded.
tunlark_file_uri() {  # PATH
  local LC_ALL=C path="$1" uri="file://" i c hex
  for ((i = 0; i < ${#path}; i++)); do
    c="${path:i:1}"
    case "$c" in
      [a-zA-Z0-9/._~-]) uri+="$c" ;;
      *)
        printf -v hex '%%%02X' "'$c"
        uri+="$hex"
        ;;
    esac
  done
  printf '%s\n' "$uri"
}

# Hands FILE to a player on the session bus (OpenUri). One call: without a player the bus
# refuses it at once, and so does a player that is exiting; then it fails, and the start goes on
# the Wine way. A call that times out reached a player that is only slow: the request waits in
# it and is carried out later, so it succeeds, lest the Wine way hand the file over a second time.
tunlark_open_through_bus() {  # FILE
  command -v busctl >/dev/null 2>&1 || return 1
  local failure
  failure="$(LC_ALL=C busctl --user --timeout=5 call org.mpris.MediaPlayer2.tunlark \
    /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Player OpenUri s \
    "$(tunlark_file_uri "$(realpath -- "$1")")" 2>&1 >/dev/null)" && return 0
  case "$failure" in
    *"Connection timed out"*)
      echo "tunlark: the running player is slow to answer; it opens the file when it can." >&2
      return 0
      ;;
  esac
  return 1
}

# True when the desktop shows tray icons: an X system tray (XEmbed) or a StatusNotifierWatcher,
# the tray of today's panels, X11 and Wayland alike.
tunlark_has_tray() {
  [ "$(tunlark_tray_owner)" != "0" ] || tunlark_bus_has org.kde.StatusNotifierWatcher
}

# The line that says what this desktop lacks to show the player's icon.
tunlark_no_tray_message() {
  local hint="start a panel with a system tray or a StatusNotifierItem host (e.g. 'apt-get install trayer', then 'trayer &')"
  case "${XDG_CURRENT_DESKTOP:-}" in
    *GNOME*) hint="enable GNOME's AppIndicator extension (Debian package gnome-shell-extension-appindicator)" ;;
  esac
  echo "tunlark: this desktop shows no tray icons (no X system tray and no StatusNotifierWatcher); the player starts anyway, reachable through its hotkeys, the media controls and Wine's own tray window; to see its icon, $hint." >&2
}

# Wine drivers the player never uses, turned off in its prefix's registry (DllOverrides), so
# that `wine Tunlark.exe` run by hand there is spared them too. Wine's game-controller bus
# (winebus.sys) polls SDL and udev about a thousand times a second for as long as any program of
# the prefix runs: 3-4 % of a core on a machine with libSDL2 and udev, against Wine's own 0.4 %.
# The hotkeys (X11 key grabs), the sound output, the tray, the dialogs and the media controls
# need none of them; the other drivers Wine starts sleep while the player waits.
tunlark_disabled_dlls=(winebus.sys)

# Whether the prefix's registry turns every one of them off. Reads user.reg, which wineserver
# writes, rather than starting a Wine program: each start asks.
tunlark_prefix_is_quiet() {
  local dll
  for dll in "${tunlark_disabled_dlls[@]}"; do
    awk -v wanted="\"$dll\"=\"\"" '
      /^\[/ { overrides = index($0, "[Software\\\\Wine\\\\DllOverrides]") == 1 }
      overrides && $0 == wanted { found = 1 }
      END { exit !found }' "$WINEPREFIX/user.reg" 2>/dev/null || return 1
  done
}

# Makes the player's Wine prefix on the first start, and turns the drivers above off in it, also
# in a prefix an older launcher made. Wine runs here with them off already, so that the session
# these commands start, which the player joins, never loads them.
tunlark_prepare_prefix() {  # LOG
  local log="$1" off dll
  off="$(printf '%s=d;' "${tunlark_disabled_dlls[@]}")"
  off="${off%;}"
  if [ ! -d "$WINEPREFIX" ]; then
    echo "tunlark: preparing the Wine prefix $WINEPREFIX (about a minute, once)"
    # No .NET or browser engine installers: the player needs neither.
    WINEDLLOVERRIDES="mscoree=;mshtml=;$off" wineboot -i >>"$log" 2>&1 </dev/null
  fi
  tunlark_prefix_is_quiet && return 0
  for dll in "${tunlark_disabled_dlls[@]}"; do
    # An empty value turns the DLL off. The player runs without this, only at a higher cost.
    WINEDLLOVERRIDES="$off" wine reg add 'HKCU\Software\Wine\DllOverrides' /v "$dll" /d "" /f \
      >>"$log" 2>&1 </dev/null ||
      echo "tunlark: could not turn off $dll in the Wine prefix (see $log)" >&2
  done
}

tunlark_launch() {
  local bin="$1"
  shift
  local wait_for_tray=0
  if [ "${1:-}" = "--at-login" ]; then
    wait_for_tray=60
    shift
  fi

  # A player already on the session bus takes FILE through its media controls' OpenUri, which
  # does what a hand-over does, without a Wine process to start. A folder goes the Wine way,
  # since OpenUri takes only files.
  if [ $# -gt 0 ] && [ -f "$1" ] && tunlark_open_through_bus "$1"; then
    return 0
  fi

  if [ -z "${DISPLAY:-}" ]; then
    echo "tunlark: no X display (DISPLAY is not set); start the player from a desktop session." >&2
    return 1
  fi

  # The player lives in the tray: where the desktop shows none, it still starts, and says once
  # what is missing.
  until tunlark_has_tray; do
    if [ "$wait_for_tray" -le 0 ]; then
      tunlark_no_tray_message
      break
    fi
    sleep 1
    wait_for_tray=$((wait_for_tray - 1))
  done

  export WINEPREFIX="${TUNLARK_WINEPREFIX:-$HOME/.local/share/tunlark/wineprefix}"
  export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
  export WINEDEBUG="${WINEDEBUG:--all}"
  local state_dir log
  state_dir="$(dirname "$WINEPREFIX")"
  log="$state_dir/wine.log"
  mkdir -p "$state_dir"

  tunlark_prepare_prefix "$log"

  local args=()
  if [ $# -gt 0 ]; then
    local linux_path answer
    linux_path="$(realpath -- "$1")"
    # Wine's helpers inherit the output of the first Wine command: a file, never a pipe.
    answer="$(mktemp)"
    winepath -w "$linux_path" >"$answer" 2>>"$log" </dev/null
    args=("$(head -n 1 "$answer")")
    rm -f "$answer"
  fi

  # A second start hands the path over to the running player and ends at once.
  nohup wine "$bin/Tunlark.exe.so" "${args[@]}" >>"$log" 2>&1 </dev/null &
  echo "tunlark: started (Wine output in $log)"
}
