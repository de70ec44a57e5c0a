#!/usr/bin/env python3
"""End-to-end fault cases: the real player fed hostile files keeps running and loses nothing.

Usage as run_e2e.py, whose environment and helpers these cases share; with --native the same
cases run against the native Linux program (--bin its folder; no driver needed).
"""

import contextlib
import os
import random
import shutil
import subprocess
import sys
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # no __pycache__ of the imported test modules in the checkout
import dbus_wire  # noqa: E402
import mpris_e2e  # noqa: E402
import run_e2e  # noqa: E402
from resource_ids import CONFIG_LINES  # noqa: E402
from run_e2e import Player, check, cp1251, dialog_title, hears, hears_silence, read  # noqa: E402
from suite import Skipped, wait_for  # noqa: E402

run_e2e.SUITE.cases.clear()


@run_e2e.case
def hostile_files_keep_the_player_running(env, files):
    folder = os.path.dirname(files["a"])
    garbage = os.path.join(folder, "garbage.m3u")
    with open(garbage, "wb") as f:
        noise = random.Random(8)
        f.write(bytes(noise.randrange(256) for _ in range(64 * 1024)))
    # A megabyte-long #EXTINF line must not shift the path after it.
    huge = os.path.join(folder, "huge.m3u")
    with open(huge, "wb") as f:
        f.write(b"#EXTM3U\r\n#EXTINF:1," + b"x" * (1 << 20) + b"\r\n" +
                cp1251(env.windows_path(files["b"])) + b"\r\n")

    with Player(env, "hostile", env.windows_path(garbage)) as player:
        config = read(player.file("config.cfg")).split(b"\r\n")
        check(len(config) == CONFIG_LINES,
              "the delivered config.cfg is not %d lines" % CONFIG_LINES)
        hears_silence(env)
        check(not dialog_title(env), "a message box after a garbage playlist")
        check(not os.path.exists(player.file("current.spl")),
              "an empty playlist was saved as a file")

        check(env.run_player(player.folder, env.windows_path(huge)) == 0, "hand-over exit code")
        hears(env, "b")
        check(read(player.file("current.spl")) == cp1251(env.windows_path(files["b"])),
              "current.spl does not hold the track after the huge line")
        check(player.quit() == 0, "exit code %s" % player.exit_code)

    # A config.cfg cut in the middle of a line loads, and the next save writes all its lines.
    cut = b"\r\n".join(config[:40]) + b"\r\n" + config[40][:3]
    folder = env.make_program_dir("cut-config")
    with open(os.path.join(folder, "config.cfg"), "wb") as f:
        f.write(cut)
    process = env.start_player(folder, env.windows_path(files["a"]))
    try:
        check(env.drive("wait-window", 20000, timeout=60)[0] == 0, "no window with a cut config")
        hears(env, "a")
        env.drive("command", run_e2e.CMD_EXIT)
        check(process.wait(20) == 0, "exit code after a cut config")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    saved = read(os.path.join(folder, "config.cfg"))
    check(saved.count(b"\r\n") == CONFIG_LINES - 1,
          "config.cfg after a cut one is not %d lines" % CONFIG_LINES)
    check(saved.startswith(b"\r\n".join(config[:40])), "the lines that were read changed")



@contextlib.contextmanager
def running(env, folder, *args):
    """The player started from folder; ended (and its exit code checked) when the block is left."""
    process = env.start_player(folder, *args)
    try:
        check(env.drive("wait-window", 20000, timeout=60)[0] == 0, "the window did not appear")
        yield process
        env.drive("command", run_e2e.CMD_EXIT)
        check(process.wait(20) == 0, "exit code %s" % process.returncode)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


@run_e2e.case
def full_disk_and_read_only_folder_keep_the_old_files(env, files):
    # Room for the program with its debugging information, then filled.
    disk = os.path.join(env.root, "small-disk")
    os.makedirs(disk)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=32m", "tmpfs", disk]).returncode != 0:
        print("  (skipped: no tmpfs can be mounted here)")
        return
    try:
        folder = os.path.join(disk, "program")
        env.fill_program_dir(folder)
        config_path = os.path.join(folder, "config.cfg")
        spl_path = os.path.join(folder, "current.spl")
        original_config = read(config_path)
        a, b, c = (env.windows_path(files[name]) for name in ("a", "b", "c"))
        with running(env, folder, a):
            hears(env, "a")
            check(read(spl_path) == cp1251(a), "current.spl does not hold the launched file")

            # Fill the disk: the next saves cannot be written.
            with open(os.path.join(disk, "filler"), "wb") as f:
                with contextlib.suppress(OSError):
                    while True:
                        f.write(b"\0" * 65536)
                        f.flush()
            check(env.run_player(folder, b) == 0, "hand-over exit code on a full disk")
            hears(env, "b")
            env.drive("hotkey", run_e2e.KEY_VOLUME_UP)
            env.drive("hotkey", run_e2e.KEY_MUTE)
            hears_silence(env)
            env.drive("hotkey", run_e2e.KEY_MUTE)
            hears(env, "b")
            check(read(spl_path) == cp1251(a), "current.spl changed on a full disk")
            check(read(config_path) == original_config, "config.cfg changed on a full disk")
            leftovers = [n for n in os.listdir(folder) if n.endswith(".tmp")]
            check(not leftovers, "temporary files left on a full disk: %s" % leftovers)

            # Space again, but the folder read-only: saves are skipped without a word.
            os.remove(os.path.join(disk, "filler"))
            subprocess.run(["mount", "-o", "remount,ro", disk], check=True)
            check(env.run_player(folder, c) == 0, "hand-over exit code in a read-only folder")
            hears(env, "c")
            env.drive("hotkey", run_e2e.KEY_VOLUME_DOWN)
            check(not dialog_title(env), "a message box after a failed save")
        check(read(spl_path) == cp1251(a), "current.spl changed in a read-only folder")
        check(read(config_path) == original_config, "config.cfg changed in a read-only folder")
    finally:
        subprocess.run(["umount", "-l", disk])



@run_e2e.case
def fifty_second_instances_at_once(env, files):
    """Fifty later starts with fifty different tracks at the same moment: every one hands over
    and ends, and the player ends up playing the track its current.spl names."""
    folder = env.make_program_dir("crowd")
    music = os.path.dirname(files["a"])
    tones = {}
    paths = []
    for i in range(50):
        tone = "abc"[i % 3]
        path = os.path.join(music, "crowd-%02d%s" % (i, os.path.splitext(files[tone])[1]))
        os.link(files[tone], path)
        paths.append(path)
        tones[cp1251(env.windows_path(path))] = tone
    with running(env, folder, env.windows_path(files["a"])):
        hears(env, "a")
        with env._log("crowd") as log:
            starts = [subprocess.Popen(["nice", "-n", "19"] +
                                       env.player_command(folder, env.windows_path(path)),
                                       env=env.env, stdout=log, stderr=subprocess.STDOUT,
                                       stdin=subprocess.DEVNULL) for path in paths]
            codes = [start.wait(300) for start in starts]
        check(codes == [0] * len(codes), "exit codes of the later starts: %s" % codes)
        check(env.drive("window-exists")[0] == 0, "the player did not survive the crowd")
        saved = read(os.path.join(folder, "current.spl"))
        check(saved in tones, "current.spl holds %r, none of the handed-over tracks" % saved[:80])
        hears(env, tones[saved])


@run_e2e.case
def every_file_name_plays_from_every_way_in(env, files):
    """Names a Windows path cannot hold ('"', '?', '*', '\\') and names outside any code page
    play from the command line, a hand-over, the media controls, a playlist and their folder, and
    are saved unchanged."""
    if not getattr(env, "unix_names", False):
        raise Skipped("a Windows path cannot name these files")
    # The folder's own name ends in a backslash.
    music = os.path.join(os.path.dirname(files["a"]), 'odd "names"?\\')
    os.makedirs(music)
    quoted = os.path.join(music, '12" Mix?.mp3')
    starred = os.path.join(music, "a*b\\c.ogg")
    foreign = os.path.join(music, "Тон Τόνος 東京.wav")
    for tone, path in (("b", quoted), ("c", starred), ("a", foreign)):
        shutil.copy(files[tone], path)
    playlist = os.path.join(music, "список *?.m3u")
    with open(playlist, "wb") as f:
        # The first entry relative to the playlist's folder, the second a full path.
        f.write(b"#EXTM3U\n#EXTINF:60,tone\n" + os.path.basename(foreign).encode() +
                b"\n#EXTINF:60,tone\n" + starred.encode() + b"\n")
    folder = env.make_program_dir("odd-names")
    spl = os.path.join(folder, "current.spl")
    with running(env, folder, quoted):
        hears(env, "b")
        check(read(spl) == quoted.encode(), "current.spl: %r" % read(spl))
        check(env.run_player(folder, starred) == 0, "hand-over exit code")
        hears(env, "c")
        check(read(spl) == starred.encode(), "current.spl: %r" % read(spl))
        # A backslash is part of a Linux name, no folder separator.
        title = lambda: mpris_e2e.playerctl(env, "metadata", "xesam:title")
        check(wait_for(lambda: title() == "a*b\\c", 5), "the track's title: %r" % title())
        # The desktop's media controls give a URI, every odd byte escaped.
        mpris_e2e.playerctl(env, "open", "file://" + urllib.parse.quote(quoted))
        hears(env, "b")
        check(read(spl) == quoted.encode(), "current.spl after OpenUri: %r" % read(spl))
        check(env.run_player(folder, playlist) == 0, "hand-over exit code of the playlist")
        hears(env, "a")
        check(read(spl).split(b"\r\n") == [foreign.encode(), starred.encode()],
              "current.spl: %r" % read(spl))
        env.drive("hotkey", run_e2e.KEY_NEXT)
        hears(env, "c")
        # The folder itself: its tracks, whatever their names.
        check(env.run_player(folder, music) == 0, "hand-over exit code of the folder")
        tone_of = {quoted.encode(): "b", starred.encode(): "c", foreign.encode(): "a"}
        check(wait_for(lambda: sorted(read(spl).split(b"\r\n")) == sorted(tone_of), 5),
              "current.spl after the folder: %r" % read(spl))
        hears(env, tone_of[read(spl).split(b"\r\n")[0]])
    check(sorted(read(spl).split(b"\r\n")) == sorted(tone_of),
          "current.spl after the exit: %r" % read(spl))


def footprint(pid):
    """Resident memory in KiB and open file descriptors of the player. (Wine keeps its Win32
    handles in the Wine server and does not count them per process.)"""
    with open("/proc/%d/status" % pid) as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
    return rss, len(os.listdir("/proc/%d/fd" % pid))


def wait_until_idle(pid, timeout=300):
    """Waits until the player has worked through its queue: its CPU time stops growing."""
    def cpu():
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    deadline = time.time() + timeout
    last = cpu()
    while time.time() < deadline:
        time.sleep(1.0)
        now = cpu()
        if now - last <= 5:  # clock ticks: at most 5 % of a core during that second
            return
        last = now
    raise run_e2e.Failure("the player was still busy after %d s" % timeout)


@run_e2e.case
def hostile_hand_overs_and_bursts_leave_no_trace(env, files):
    """Hand-overs of 100 KB, with and without a NUL, read no further than they should; 1,000
    track changes and 10,000 hotkeys leave memory and descriptors flat."""
    music = os.path.dirname(files["a"])
    playlist = os.path.join(music, "three.m3u")
    with open(playlist, "wb") as f:
        f.write(b"#EXTM3U\r\n")
        for name in ("a", "b", "c"):
            f.write(b"#EXTINF:60,tone\r\n" + cp1251(env.windows_path(files[name])) + b"\r\n")
    folder = env.make_program_dir("bursts")
    with running(env, folder, env.windows_path(playlist)) as process:
        hears(env, "a")
        b = env.windows_path(files["b"])
        check(env.drive("copydata-sized", 100 * 1024, b, "nul")[0] == 0, "hand-over of 100 KB")
        if getattr(env, "hand_over_cuts_at_nul", True):
            hears(env, "b")
            check(read(os.path.join(folder, "current.spl")) == cp1251(b),
                  "a 100 KB hand-over was not cut at its NUL")
        else:
            # Bytes after a NUL would name another file: the whole hand-over is refused.
            hears(env, "a")
            check(read(os.path.join(folder, "current.spl")).startswith(
                cp1251(env.windows_path(files["a"]))), "a hand-over with a NUL was taken")
            check(env.drive("copydata-sized", len(b), b)[0] == 0, "hand-over of the path")
            hears(env, "b")
        env.drive("copydata-sized", 100 * 1024, "Z:\\nothing")
        check(env.drive("window-exists")[0] == 0, "the player ended after 100 KB without a NUL")
        saved = read(os.path.join(folder, "current.spl"))
        if getattr(env, "hand_over_cuts_at_nul", True):
            check(saved.startswith(b"Z:\\nothing") and len(saved) <= 512,
                  "a hand-over without a NUL was read past 512 bytes (%d)" % len(saved))
            hears_silence(env)
        else:
            # Longer than any path: refused whole, the list and the track stay.
            check(saved == cp1251(b), "a hand-over longer than a path was taken: %r" % saved[:80])
            hears(env, "b")

        check(env.run_player(folder, env.windows_path(playlist)) == 0, "hand-over exit code")
        hears(env, "a")
        # Each burst ends with Stop, so that the player is idle (and the track cannot run to its
        # end and move on) once it has worked through the queue. A warm-up first, so that what
        # is loaded on first use is in the baseline.
        env.drive("hotkey-burst", 60, run_e2e.KEY_NEXT)
        env.drive("hotkey", run_e2e.KEY_STOP)
        wait_until_idle(process.pid)
        before = footprint(process.pid)
        started = time.time()
        check(env.drive("hotkey-burst", 1000, run_e2e.KEY_NEXT, timeout=300)[0] == 0,
              "1,000 track changes not delivered")
        env.drive("hotkey", run_e2e.KEY_STOP)
        wait_until_idle(process.pid)
        changes = time.time() - started
        started = time.time()
        check(env.drive("hotkey-burst", 10000, run_e2e.KEY_STOP, timeout=300)[0] == 0,
              "10,000 hotkeys not delivered")
        wait_until_idle(process.pid)
        after = footprint(process.pid)
        print("  footprint before %s, after %s (KiB resident, descriptors)" % (before, after))
        print("  1,000 track changes took %.1f s, 10,000 hotkeys %.1f s" %
              (changes, time.time() - started))
        check(after[0] - before[0] < 4096, "resident memory grew by %d KiB" % (after[0] - before[0]))
        check(after[1] - before[1] <= 2,
              "file descriptors grew from %d to %d" % (before[1], after[1]))
        hears_silence(env)
        env.drive("hotkey", run_e2e.KEY_PLAY)
        hears(env, "b")


def stop_sound_server(env):
    """Ends PulseAudio and the recorder of its sink, which the environment started in that order
    as the last two of its processes."""
    pulse = env.processes[env.processes.index(env.recorder) - 1]
    check(b"pulseaudio" in open("/proc/%d/cmdline" % pulse.pid, "rb").read(),
          "the sound server is not where the environment put it")
    for process in (env.recorder, pulse):
        process.terminate()
        process.wait(10)
        env.processes.remove(process)


@run_e2e.case
def sound_server_restart_mid_track(env, files):
    """The sound server stops under a playing track and comes back: the player keeps running and
    the next play command is heard."""
    with running(env, env.make_program_dir("sound-restart"), env.windows_path(files["a"])):
        hears(env, "a")
        stop_sound_server(env)
        time.sleep(2.0)
        check(env.drive("window-exists")[0] == 0, "the player ended when the sound server stopped")
        env._start_sound()  # a new server and recorder on the same socket and recording file
        time.sleep(1.0)
        check(env.drive("window-exists")[0] == 0, "the player ended when the sound server came back")
        env.drive("command", run_e2e.CMD_PLAY)
        hears(env, "a", timeout=10)


def session_bus(env):
    """The environment's own session bus where it has one (the native program's), else one for
    the block."""
    bus = getattr(env, "bus", None)
    return contextlib.nullcontext(bus) if bus else mpris_e2e.SessionBus(env)


@run_e2e.case
def no_sound_server_reports_the_error_and_stays(env, files):
    """With no sound server to reach, neither PulseAudio nor Wine's own driver opens: the player
    says so after its attempts, instead of hanging, and stays in the tray."""
    reachable = env.env["PULSE_SERVER"]
    env.env["PULSE_SERVER"] = "unix:" + os.path.join(env.root, "no-server", "native")
    try:
        folder = env.make_program_dir("no-sound-server")
        with session_bus(env) as bus, running(env, folder):
            title = b""
            deadline = time.time() + 30
            while time.time() < deadline:
                code, title = env.drive("dialog-title")
                if code == 0:
                    break
                time.sleep(0.5)
            check(title.strip() == "Ошибка".encode("cp1251"), "no error box: %r" % title)
            # A request from the desktop waits until start-up has ended: none runs inside the
            # error box, before the audio library is open.
            client = dbus_wire.Connection(bus.address)
            play = client.send(mpris_e2e.NAME, mpris_e2e.PATH, mpris_e2e.PLAYER, "Play")

            def answered(seconds):
                client.sock.settimeout(seconds)
                try:
                    while True:
                        kind, reply_to, error, _, _ = client.receive()
                        if kind in (dbus_wire.METHOD_RETURN, dbus_wire.ERROR) and reply_to == play:
                            return True
                except OSError:  # the timeout
                    return False

            check(not answered(2.0), "Play was carried out inside the error box")
            check(env.drive("dismiss-dialog")[0] == 0, "the error box could not be closed")
            check(answered(10.0), "Play was not carried out after the error box")
            client.close()
            time.sleep(1.0)
            check(env.drive("window-exists")[0] == 0, "the player ended after the error box")
    finally:
        env.env["PULSE_SERVER"] = reachable


def main():
    if "--native" in sys.argv:
        import native_driver
        native_driver.use_native_program(sys.argv)
    return run_e2e.main()


if __name__ == "__main__":
    sys.exit(main())
