#!/usr/bin/env python3
"""End-to-end test of the player at home on a Linux desktop: scripts/install into the temporary
HOME of harness.py, the launcher and xdg-open handing files to the running player, the login
entry following the options dialog's autostart box, and scripts/uninstall leaving the HOME as it
was apart from the player's own files; the Debian package installed with apt, started by a user
and removed again.

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
from run_e2e import hears  # noqa: E402
from resource_ids import RESOURCE  # noqa: E402
from suite import Skipped, Suite, check, wait_for  # noqa: E402

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

    # The launcher in the environment's prefix, as a user's session would run it; then the file
    # manager's way: the default application for an MP3 is the installed entry.
    wine = {"TUNLARK_WINEPREFIX": env.env["WINEPREFIX"]}
    plays_and_takes_over(env, probe, [launcher], ["xdg-open"], files, wine)

    # The autostart box writes and removes the login entry, which starts the launcher.
    toggle_autostart(probe, autostart, True)
    check(entry_values(autostart)["Exec"] == os.path.join(program_dir, "tunlark") + " --at-login",
          "the login entry runs %r" % entry_values(autostart)["Exec"])
    toggle_autostart(probe, autostart, False)
    toggle_autostart(probe, autostart, True)
    quit_player(env, probe)
    session = log_in(env, probe, autostart, wine)
    quit_player(env, probe)
    check(session.wait(20) == 0, "the login entry's command failed")

    check(run(env, [os.path.join(ROOT, "scripts", "uninstall")], "uninstall") == 0,
          "scripts/uninstall failed (see uninstall.log)")
    after = snapshot(home)
    kept = {os.path.relpath(path, home) for path in (
        os.path.join(home, ".local"), data, program_dir,
        os.path.join(program_dir, "config.cfg"), os.path.join(program_dir, "current.spl"))}
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


@SUITE.case
def debian_package_plays_for_a_user_and_its_removal_keeps_their_files(env, probe, files):
    packages = glob.glob(os.path.join(ROOT, "dist", "tunlark_*_amd64.deb"))
    if not packages:
        raise Skipped("there is no package; scripts/package builds it")
    if os.geteuid() != 0 or not shutil.which("apt-get"):
        raise Skipped("installing the package needs apt-get and root")
    package = packages[0]
    lintian = subprocess.run(["lintian", "--fail-on", "error", package], capture_output=True,
                             timeout=300)
    check(lintian.returncode == 0, "lintian: %s" % lintian.stdout.decode(errors="replace"))
    for name in ("XDG_DATA_HOME", "XDG_CONFIG_HOME"):
        env.env.pop(name, None)
    user_dir = os.path.join(env.env["HOME"], ".local", "share", "tunlark", "package")
    apt = ["apt-get", "-y", "-q", "--no-install-recommends"]
    quiet = {"DEBIAN_FRONTEND": "noninteractive"}
    check(run(env, apt + ["install", package], "apt", quiet) == 0,
          "apt-get install failed (see apt.log)")
    try:
        wine = {"TUNLARK_WINEPREFIX": env.env["WINEPREFIX"]}
        # The Wine session is the one the launcher starts, as at a user's first start of the day.
        env.run_logged(["wineserver", "-k"], "wineserver-kill", timeout=30)
        plays_and_takes_over(env, probe, ["tunlark"], ["tunlark"], files, wine)
        # Its every process while it plays: Wine's server alone wakes every 16 ms (0.4 % of a
        # core); a driver polling game controllers through libSDL2 and udev would add 3-4 % to
        # every window, while taking the quieter of two leaves out a passing burst.
        shares = min((env.session_cpu(2.5) for _ in range(2)), key=lambda s: sum(s.values()))
        check(sum(shares.values()) <= 0.01, "the player's Wine session spends %.2f %% of a core "
              "while playing: %s" % (sum(shares.values()) * 100, ", ".join(
                  "%s %.2f %%" % (name, share * 100) for name, share in sorted(shares.items()))))
        # The login entry starts the tunlark command through the link beside the user's player.
        autostart = os.path.join(env.env["HOME"], ".config", "autostart", "tunlark.desktop")
        toggle_autostart(probe, autostart, True)
        check(entry_values(autostart)["Exec"] == os.path.join(user_dir, "tunlark") + " --at-login"
              and os.path.realpath(os.path.join(user_dir, "tunlark")) == "/usr/lib/tunlark/tunlark",
              "the login entry runs %r" % entry_values(autostart)["Exec"])
        toggle_autostart(probe, autostart, False)
        quit_player(env, probe)
        with open(os.path.join(user_dir, "current.spl"), "rb") as f:
            check(env.windows_path(files["b"]).encode("cp1251") in f.read(),
                  "the user's current.spl does not hold the second file")
        check(not os.path.exists("/usr/lib/tunlark/current.spl"),
              "the player wrote into the installed program folder")
    finally:
        removed = run(env, apt + ["remove", "tunlark"], "apt", quiet)
    check(removed == 0 and not os.path.exists("/usr/lib/tunlark"),
          "apt-get remove left the program (see apt.log)")
    for name in ("config.cfg", "current.spl", "hotkeys.txt"):
        check(os.path.exists(os.path.join(user_dir, name)), "removing the package took %s" % name)


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
