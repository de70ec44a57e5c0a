#!/usr/bin/env python3
"""End-to-end test of the player at home on a Linux desktop: scripts/install of the native
program into the temporary HOME of harness.py, the `tunlark` command and xdg-open handing files to
the running player, the login entry the player writes while autostart is on, and
scripts/uninstall leaving the HOME as it was apart from the player's own files; an install over
one of the player under Wine keeping the user's settings and playlist; the Debian package (no
Wine) installed with apt, started by a user, taking over the folder of the package under Wine,
and removed again; the launcher of the Win32 program.

Usage: desktop_e2e.py --bin BUILD_BIN --driver DRIVER_EXE_SO

Exit code 0 when it passed, 1 when it failed, 77 (skipped) when the program has not been built.
"""

import glob
import hashlib
import os
import shutil
import shlex
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ of the imported test modules in the checkout
from dialogs_e2e import CMD_EXIT, CMD_OPTIONS, OPTIONS_TITLE, probe_and_files  # noqa: E402
import dbus_wire  # noqa: E402
from harness import _start, _stop, player_pids  # noqa: E402
from mpris_e2e import SessionBus  # noqa: E402
from native_e2e import quit_over_bus  # noqa: E402
from run_e2e import hears  # noqa: E402
from resource_ids import RESOURCE  # noqa: E402
from suite import Skipped, Suite, check, wait_for  # noqa: E402
from tray_e2e import has_owner  # noqa: E402

SUITE = Suite()


def snapshot(home):
    """Every file, link and folder under home with what it holds."""
    found = {}
    for folder, dirs, files in os.walk(home):
        for name in dirs + files:
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, home)
            if os.path.islink(path):
                found[relative] = "link " + os.readlink(path)
            elif os.path.isdir(path):
                found[relative] = "folder"
            else:
                with open(path, "rb") as f:
                    found[relative] = hashlib.sha256(f.read()).hexdigest()
    return found


def run(env, command, name, extra=None):
    environment = dict(env.env)
    environment.update(extra or {})
    with open(os.path.join(env.root, name + ".log"), "ab") as log:
        return subprocess.run(command, env=environment, stdout=log, stderr=subprocess.STDOUT,
                              stdin=subprocess.DEVNULL, timeout=300).returncode


def validate(env, path):
    result = subprocess.run(["desktop-file-validate", path], env=env.env, capture_output=True,
                            timeout=30)
    output = (result.stdout + result.stderr).decode(errors="replace").strip()
    check(result.returncode == 0 and not output, "desktop-file-validate %s: %s" % (path, output))


def entry_values(path):
    with open(path, encoding="utf-8") as f:
        return dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)


def player_running(env):
    return env.drive("window-exists")[0] == 0


def toggle_autostart(probe, autostart, on):
    """Clicks the autostart box in a freshly opened options dialog and closes it with OK."""
    probe.out("player-command", CMD_OPTIONS)
    check(probe.ok("wait", OPTIONS_TITLE, 10000), "the options dialog did not open")
    probe.out("click", OPTIONS_TITLE, RESOURCE["IDC_AUTOLOAD"])
    if on:
        check(wait_for(lambda: os.path.exists(autostart), 5), "checking autostart wrote no entry")
        with open(autostart, encoding="utf-8") as f:
            check(f.read().startswith("[Desktop Entry]\n"), "the login entry has no group header")
    else:
        check(wait_for(lambda: not os.path.exists(autostart), 5), "clearing autostart left the entry")
    probe.out("click", OPTIONS_TITLE, RESOURCE["IDC_OPTIONS_OK"])
    check(probe.ok("gone", OPTIONS_TITLE, 5000), "OK did not close the options dialog")


def player_processes(env):
    """The players started from a folder of the environment."""
    return player_pids(env.root.encode(), env.windows_path(env.root).encode())


def quit_player(env, probe):
    # The window goes before the process ends: a start meanwhile would hand its file to the
    # ending player, and scripts/uninstall would find it still running.
    probe.out("player-command", CMD_EXIT)
    check(wait_for(lambda: not player_running(env) and not player_processes(env), 20),
          "the player did not end: %s" % player_processes(env))


def log_in(env, probe, autostart, extra=None):
    """Starts the login entry's command as a desktop session does (without waiting for it) and
    waits for the player."""
    validate(env, autostart)
    command = shlex.split(entry_values(autostart)["Exec"].replace("\\\\", "\\"))
    environment = dict(env.env)
    environment.update(extra or {})
    with open(os.path.join(env.root, "login.log"), "ab") as log:
        session = subprocess.Popen(command, env=environment, stdout=log, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, start_new_session=True)
    check(probe.ok("player", 30000, timeout=60), "the login entry started no player: %s" % command)
    return session


def plays_and_takes_over(env, probe, start, hand_over, files, wine):
    """start + [FILE] starts the player, which plays files["a"]; hand_over + [FILE] then gives
    the running player files["b"]."""
    check(run(env, start + [files["a"]], "start", wine) == 0, "%s FILE failed" % start)
    check(probe.ok("player", 30000, timeout=60), "%s started no player" % start)
    sound, heard = env.wait_for_sound(lambda s: s.tone == "a", 15)
    check(heard, "the file of %s did not play: %r" % (start, sound))
    check(run(env, hand_over + [files["b"]], "hand-over", wine) == 0, "%s FILE failed" % hand_over)
    sound, heard = env.wait_for_sound(lambda s: s.tone == "b", 15)
    check(heard, "the running player did not take over the file of %s: %r" % (hand_over, sound))


def native_player_running(env):
    return has_owner(env, "org.tunlark.Tunlark")


def quit_native_player(env):
    quit_over_bus(env)
    check(wait_for(lambda: not native_player_running(env), 20), "the player did not end")


def native_plays_and_takes_over(env, start, hand_over, files):
    """As plays_and_takes_over, for the native program on the block's session bus."""
    env.env["NO_AT_BRIDGE"] = "1"  # no accessibility bus of the calling session
    check(run(env, start + [files["a"]], "start") == 0, "%s FILE failed" % start)
    check(wait_for(lambda: native_player_running(env), 30), "%s started no player" % start)
    hears(env, "a", 15)
    check(run(env, hand_over + [files["b"]], "hand-over") == 0, "%s FILE failed" % hand_over)
    hears(env, "b", 15)


def set_settings(path, **values):
    """Changes NAME=VALUE lines of a config.cfg in place, as a user's options dialog did."""
    with open(path, "rb") as f:
        text = f.read()
    for name, value in values.items():
        lines = [line for line in text.split(b"\r\n") if line.startswith(name.encode() + b"=")]
        check(lines, "config.cfg has no %s" % name)
        text = text.replace(lines[0], ("%s=%s" % (name, value)).encode())
    with open(path, "wb") as f:
        f.write(text)


def setting(path, name):
    with open(path, "rb") as f:
        for line in f.read().split(b"\r\n"):
            if line.startswith(name.encode() + b"="):
                return line.split(b"=", 1)[1].decode()
    return None


def wine_era_files(env, folder, files):
    """The user's files as the player under Wine left them in folder: changed settings in a
    config.cfg of CR LF lines, and a current.spl of drive paths in Windows-1251. Returns the
    track it names, a copy of files["c"] under a Russian name."""
    track = os.path.join(os.path.dirname(files["c"]), "Тон с.ogg")
    shutil.copy(files["c"], track)
    os.makedirs(folder, exist_ok=True)
    subprocess.run([sys.executable, os.path.join(ROOT, "resources", "make_default_files.py"),
                    folder], check=True, timeout=60)
    set_settings(os.path.join(folder, "config.cfg"), Autoplay=1, Autoload=1, Volume=37)
    with open(os.path.join(folder, "current.spl"), "wb") as f:
        f.write(("Z:" + track.replace("/", "\\")).encode("cp1251") + b"\r\n")
    for name in ("Tunlark.exe.so", "Tunlark.exe"):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(b"the program under Wine")
    return track


def write_login_entry(path, exec_value):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write("[Desktop Entry]\nType=Application\nName=Tunlark\nExec=%s\n" % exec_value)


def log_in_native(env, autostart):
    """Runs the login entry's command as a desktop session does and waits for the player."""
    command = shlex.split(entry_values(autostart)["Exec"].replace("\\\\", "\\"))
    with open(os.path.join(env.root, "login.log"), "ab") as log:
        session = subprocess.Popen(command, env=env.env, stdout=log, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, start_new_session=True)
    check(wait_for(lambda: native_player_running(env), 30),
          "the login entry started no player: %s" % command)
    return session


def users_files_were_kept(folder, track):
    """The settings the user changed under Wine, and the playlist saved back as a Unix path."""
    config = os.path.join(folder, "config.cfg")
    check(setting(config, "Volume") == "37" and setting(config, "Autoplay") == "1",
          "config.cfg lost the user's settings: Volume=%s Autoplay=%s" % (
              setting(config, "Volume"), setting(config, "Autoplay")))
    with open(os.path.join(folder, "current.spl"), "rb") as f:
        playlist = f.read()
    check(track.encode() in playlist and b"Z:" not in playlist, "current.spl: %r" % playlist)


@SUITE.case
def installed_player_round_trip(env, probe, files):
    home = env.env["HOME"]
    data = os.path.join(home, ".local", "share")
    program_dir = os.path.join(data, "tunlark")
    launcher = os.path.join(home, ".local", "bin", "tunlark")
    autostart = os.path.join(home, ".config", "autostart", "tunlark.desktop")
    # Only the temporary HOME counts, and xdg-open takes the generic way of a bare X session.
    for name in ("XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                 "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID",
                 "LXQT_SESSION_CONFIG", "DESKTOP"):
        env.env.pop(name, None)
    before = snapshot(home)

    check(run(env, [os.path.join(ROOT, "scripts", "install"), "--no-build"], "install") == 0,
          "scripts/install failed (see install.log)")
    entry = os.path.join(data, "applications", "tunlark.desktop")
    validate(env, entry)
    types = entry_values(entry)["MimeType"].split(";")
    for wanted in ("audio/mpeg", "audio/x-wav", "audio/ogg", "audio/x-mod", "audio/x-umx",
                   "audio/x-mo3", "audio/x-mpegurl", "audio/x-scpls"):
        check(wanted in types, "MimeType lacks %s" % wanted)
    with open(os.path.join(data, "mime", "globs2")) as f:
        globs = f.read()
    check(":audio/x-umx:*.umx" in globs and ":audio/mpeg:*.mp1" in globs,
          "the user's MIME database does not know *.umx and *.mp1")
    for size in (16, 32, 48, 256):
        check(os.path.exists(os.path.join(data, "icons", "hicolor", "%dx%d" % (size, size), "apps",
                                          "tunlark.png")), "no %d pixel icon" % size)

    # The command, as a user's session would run it; then the file manager's way: the default
    # application for an MP3 is the installed entry. Autostart is on, so the player writes its
    # login entry at exit, which starts the program itself.
    check(not os.path.exists(os.path.join(program_dir, "Tunlark.exe.so")),
          "the program under Wine was installed")
    set_settings(os.path.join(program_dir, "config.cfg"), Autoload=1, Autoplay=1)
    with SessionBus(env):
        native_plays_and_takes_over(env, [launcher], ["xdg-open"], files)
        quit_native_player(env)
        check(entry_values(autostart)["Exec"] == os.path.join(program_dir, "tunlark"),
              "the login entry runs %r" % entry_values(autostart)["Exec"])
        validate(env, autostart)
        session = log_in_native(env, autostart)
        hears(env, "b", 15)
        quit_native_player(env)
        check(session.wait(20) == 0, "the login entry's command failed")

    check(run(env, [os.path.join(ROOT, "scripts", "uninstall")], "uninstall") == 0,
          "scripts/uninstall failed (see uninstall.log)")
    after = snapshot(home)
    kept = {os.path.relpath(path, home) for path in (
        os.path.join(home, ".local"), data, program_dir,
        os.path.join(program_dir, "config.cfg"), os.path.join(program_dir, "current.spl"))}
    # The player's output, which the command logs beside its files.
    after.pop(os.path.relpath(os.path.join(program_dir, "native.log"), home), None)
    for name in kept:
        check(name in after, "uninstall removed %s" % name)
        after.pop(name)
        before.pop(name, None)
    added = sorted(set(after) - set(before))
    lost = sorted(set(before) - set(after))
    changed = sorted(name for name in set(before) & set(after) if before[name] != after[name])
    check(not added and not lost and not changed,
          "HOME differs: added %s, removed %s, changed %s" % (added, lost, changed))


@SUITE.case
def install_over_the_player_under_wine_keeps_the_users_settings_and_playlist(env, probe, files):
    home = env.env["HOME"]
    for name in ("XDG_DATA_HOME", "XDG_CONFIG_HOME"):
        env.env.pop(name, None)
    program_dir = os.path.join(home, ".local", "share", "tunlark")
    autostart = os.path.join(home, ".config", "autostart", "tunlark.desktop")
    # What the install of the player under Wine left: its program, launcher and command, the
    # user's files, and the login entry its launcher took with --at-login.
    track = wine_era_files(env, program_dir, files)
    launcher = os.path.join(program_dir, "tunlark")
    with open(launcher, "w") as f:
        f.write("#!/bin/sh\nexit 3\n")
    os.chmod(launcher, 0o755)
    command = os.path.join(home, ".local", "bin", "tunlark")
    os.makedirs(os.path.dirname(command))
    os.symlink(launcher, command)
    with open(os.path.join(program_dir, "installed-files"), "w") as f:
        f.write("".join("f %s\n" % path for path in (
            os.path.join(program_dir, "Tunlark.exe.so"), os.path.join(program_dir, "Tunlark.exe"),
            launcher, command)))
    write_login_entry(autostart, launcher + " --at-login")

    check(run(env, [os.path.join(ROOT, "scripts", "install"), "--no-build", "--keep-defaults"],
              "install") == 0, "scripts/install failed (see install.log)")
    check(not os.path.exists(os.path.join(program_dir, "Tunlark.exe.so")),
          "the program under Wine stayed")
    env.env["NO_AT_BRIDGE"] = "1"
    with SessionBus(env):
        # The older login entry starts the program where its launcher was, with the playlist
        # the user had: --at-login is no track.
        session = log_in_native(env, autostart)
        hears(env, "c", 15)
        quit_native_player(env)
        check(session.wait(20) == 0, "the older login entry's command failed")
        users_files_were_kept(program_dir, track)
        check(entry_values(autostart)["Exec"] == launcher,
              "the player's login entry runs %r" % entry_values(autostart)["Exec"])
    check(run(env, [os.path.join(ROOT, "scripts", "uninstall")], "uninstall") == 0,
          "scripts/uninstall failed (see uninstall.log)")
    for name in ("config.cfg", "current.spl"):
        check(os.path.exists(os.path.join(program_dir, name)), "uninstall removed %s" % name)
    check(not os.path.exists(autostart) and not os.path.lexists(command),
          "uninstall left the login entry or the command")


@SUITE.case
def login_entry_of_a_player_not_installed_starts_it_through_wine(env, probe, files):
    autostart = os.path.join(env.env["HOME"], ".config", "autostart", "tunlark.desktop")
    env.env.pop("LC_ALL", None)  # the entry carries the player's own locale variables
    folder = env.make_program_dir("plain")
    env.start_player(folder)
    check(probe.ok("player", 30000, timeout=60), "the player did not start")
    toggle_autostart(probe, autostart, True)
    expected = "env WINEPREFIX=%s LANG=ru_RU.UTF-8 WINEDEBUG=-all wine %s" % (
        env.env["WINEPREFIX"], os.path.join(os.path.realpath(folder), "Tunlark.exe.so"))
    check(entry_values(autostart)["Exec"] == expected,
          "the login entry runs %r" % entry_values(autostart)["Exec"])
    quit_player(env, probe)
    session = log_in(env, probe, autostart)
    toggle_autostart(probe, autostart, False)
    quit_player(env, probe)
    check(session.wait(20) == 0, "the player started at login did not end cleanly")


def the_package(env):
    packages = sorted(glob.glob(os.path.join(ROOT, "dist", "tunlark_*_amd64.deb")))
    if not packages:
        raise Skipped("there is no package; scripts/package builds it")
    if os.geteuid() != 0 or not shutil.which("apt-get"):
        raise Skipped("installing the package needs apt-get and root")
    for name in ("XDG_DATA_HOME", "XDG_CONFIG_HOME"):
        env.env.pop(name, None)
    env.env["NO_AT_BRIDGE"] = "1"
    return packages[-1]


APT = ["apt-get", "-y", "-q", "--no-install-recommends"]
QUIET = {"DEBIAN_FRONTEND": "noninteractive"}


def remove_package(env):
    removed = run(env, APT + ["remove", "tunlark"], "apt", QUIET)
    check(removed == 0 and not os.path.exists("/usr/lib/tunlark"),
          "apt-get remove left the program (see apt.log)")


@SUITE.case
def debian_package_plays_for_a_user_and_its_removal_keeps_their_files(env, probe, files):
    package = the_package(env)
    lintian = subprocess.run(["lintian", "--fail-on", "error", package], capture_output=True,
                             timeout=300)
    check(lintian.returncode == 0, "lintian: %s" % lintian.stdout.decode(errors="replace"))
    fields = {name: subprocess.run(["dpkg-deb", "-f", package, name], capture_output=True,
                                   timeout=30).stdout.decode().strip()
              for name in ("Depends", "Installed-Size")}
    print("  Depends: %s" % fields["Depends"])
    print("  Installed-Size: %s KiB" % fields["Installed-Size"])
    check("wine" not in fields["Depends"] and "python" not in fields["Depends"],
          "the package depends on %s" % fields["Depends"])
    # FFmpeg's, through the decoder module the program loads.
    for library in ("libgtk-3-0", "libpulse0", "libsystemd0", "libmpg123-0", "libx11-6",
                    "libavcodec", "libavformat", "libavutil"):
        check(library in fields["Depends"], "Depends lacks %s: %s" % (library, fields["Depends"]))
    check(int(fields["Installed-Size"]) < 16 * 1024,
          "the package installs %s KiB" % fields["Installed-Size"])
    user_dir = os.path.join(env.env["HOME"], ".local", "share", "tunlark", "package")
    check(run(env, APT + ["install", package], "apt", QUIET) == 0,
          "apt-get install failed (see apt.log)")
    try:
        for path in ("/usr/share/applications/tunlark.desktop",
                     "/usr/share/mime/packages/tunlark.xml",
                     "/usr/share/icons/hicolor/48x48/apps/tunlark.png",
                     "/usr/share/man/man1/tunlark.1.gz",
                     "/usr/lib/tunlark/program/tunlark-ffmpeg.so"):
            check(os.path.exists(path), "the package lacks %s" % path)
        with SessionBus(env):
            native_plays_and_takes_over(env, ["tunlark"], ["tunlark"], files)
            quit_native_player(env)
        with open(os.path.join(user_dir, "current.spl"), "rb") as f:
            check(files["b"].encode() in f.read(),
                  "the user's current.spl does not hold the second file")
        check(os.path.exists(os.path.join(user_dir, "tunlark-ffmpeg.so")),
              "the user's program folder lacks the FFmpeg decoder module")
        check(not os.path.exists("/usr/lib/tunlark/current.spl") and
              not os.path.exists("/usr/lib/tunlark/program/current.spl"),
              "the player wrote into the installed program folder")
    finally:
        remove_package(env)
    for name in ("config.cfg", "current.spl", "hotkeys.txt"):
        check(os.path.exists(os.path.join(user_dir, name)), "removing the package took %s" % name)


@SUITE.case
def package_over_the_one_under_wine_keeps_the_users_settings_and_playlist(env, probe, files):
    package = the_package(env)
    home = env.env["HOME"]
    user_dir = os.path.join(home, ".local", "share", "tunlark", "package")
    autostart = os.path.join(home, ".config", "autostart", "tunlark.desktop")
    # The user's folder as the launcher of the package under Wine left it: its copy of the
    # program, the link to the launcher that the login entry starts with --at-login. The HOME is
    # the suite's: what an earlier case left goes first.
    shutil.rmtree(os.path.dirname(user_dir), ignore_errors=True)
    wine_era_files(env, user_dir, files)
    os.symlink("/usr/lib/tunlark/tunlark", os.path.join(user_dir, "tunlark"))
    write_login_entry(autostart, os.path.join(user_dir, "tunlark") + " --at-login")
    # TUNLARK_OLDER_PACKAGE names that package, to upgrade from it as apt does.
    older = os.environ.get("TUNLARK_OLDER_PACKAGE")
    if older:
        check(run(env, APT + ["install", older], "apt", QUIET) == 0,
              "apt-get install of %s failed (see apt.log)" % older)
    check(run(env, APT + ["install", package], "apt", QUIET) == 0,
          "apt-get install failed (see apt.log)")
    try:
        with SessionBus(env):
            session = log_in_native(env, autostart)
            hears(env, "c", 15)
            check(session.wait(20) == 0, "the older login entry's command failed")
            # The user's copy of the program, never the link into the read-only folder.
            program = os.path.join(user_dir, "tunlark")
            check(not os.path.islink(program) and
                  not os.path.exists(os.path.join(user_dir, "Tunlark.exe.so")),
                  "the user's folder holds the older program")
            check(run(env, ["tunlark", files["b"]], "hand-over") == 0, "tunlark FILE failed")
            hears(env, "b", 15)
            quit_native_player(env)
        config = os.path.join(user_dir, "config.cfg")
        check(setting(config, "Volume") == "37", "config.cfg lost the user's volume")
        with open(os.path.join(user_dir, "current.spl"), "rb") as f:
            playlist = f.read()
        check(files["b"].encode() in playlist and b"Z:" not in playlist,
              "current.spl: %r" % playlist)
    finally:
        remove_package(env)


def launch(env, folder, *args):
    """The shared launcher on a program folder, as scripts/run and the installed one call it;
    its exit code, its output and how long it took."""
    command = ["bash", "-c", '. "$0"; tunlark_launch "$@"',
               os.path.join(ROOT, "scripts", "launch-common.sh"), folder] + list(args)
    environment = dict(env.env, TUNLARK_WINEPREFIX=env.env["WINEPREFIX"])
    started = time.time()
    result = subprocess.run(command, env=environment, capture_output=True, stdin=subprocess.DEVNULL,
                            timeout=120)
    return (result.returncode, (result.stdout + result.stderr).decode(errors="replace"),
            time.time() - started)


def trayer_process(env):
    return next((p for p in env.processes if p.args[0] == "trayer" and p.poll() is None), None)


@SUITE.case
def launcher_starts_without_an_x_tray_and_hands_over_through_the_bus(env, probe, files):
    folder = env.make_program_dir("launched")
    # Neither an X tray nor a watcher: the player starts anyway, with one line saying so.
    trayer = trayer_process(env)
    check(trayer, "the harness's trayer is not running")
    _stop(trayer)
    try:
        code, output, _ = launch(env, folder, files["a"])
        check(code == 0, "the launcher failed without a tray: %s" % output)
        check(output.count("StatusNotifierWatcher") == 1, "the launcher said: %s" % output)
        check(probe.ok("player", 30000, timeout=60), "no player without a tray")
        hears(env, "a")
        quit_player(env, probe)

        # A watcher only: no word about a tray; a second start hands its file over through the
        # bus, without Wine.
        with SessionBus(env) as bus:
            # A player on the bus that is only slow: the launcher's call times out, and the file,
            # still waiting in that player, is not handed over the Wine way a second time.
            slow = dbus_wire.Connection(bus.address)
            error, _ = slow.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                 "org.freedesktop.DBus", "RequestName", "su",
                                 ("org.mpris.MediaPlayer2.tunlark", 4))
            check(error is None, "could not take the player's name: %s" % error)
            code, output, _ = launch(env, folder, files["a"])
            check(code == 0 and "slow to answer" in output and "started" not in output,
                  "the launcher facing a slow player said: %s" % output)
            check(not player_running(env), "a slow player's file was handed over through Wine too")
            slow.close()
            watcher = dbus_wire.Connection(bus.address)
            error, _ = watcher.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                    "org.freedesktop.DBus", "RequestName", "su",
                                    ("org.kde.StatusNotifierWatcher", 4))
            check(error is None, "could not take the watcher's name: %s" % error)
            code, output, _ = launch(env, folder, files["a"])
            check(code == 0 and "StatusNotifierWatcher" not in output,
                  "the launcher with a watcher said: %s" % output)
            check(probe.ok("player", 30000, timeout=60), "no player with a watcher only")
            hears(env, "a")
            check(wait_for(lambda: "tunlark" in run_output(env, "playerctl", "-l"), 10),
                  "the player is not on the bus")
            code, output, seconds = launch(env, folder, files["b"])
            print("  hand-over through the bus: %.0f ms" % (seconds * 1000))
            # The Wine way says "started"; the bus way says nothing.
            check(code == 0 and not output, "the bus hand-over said: %s" % output)
            hears(env, "b")
            quit_player(env, probe)
            watcher.close()
    finally:
        env.processes.append(_start(["trayer", "--edge", "bottom", "--align", "right", "--width",
                                     "20", "--height", "32"], env.env, env._log("trayer")))
        time.sleep(1.0)


def run_output(env, *command):
    result = subprocess.run(list(command), env=env.env, capture_output=True, timeout=30)
    return result.stdout.decode(errors="replace")


def main():
    return SUITE.main(arguments=probe_and_files)


if __name__ == "__main__":
    sys.exit(main())
