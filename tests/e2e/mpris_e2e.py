#!/usr/bin/env python3
"""End-to-end test of the desktop's media controls: the player on a session bus of the test's
own (dbus-daemon), driven with playerctl as GNOME's and KDE's widgets and the media keys drive it,
and with a client on the wire for floods, wrong types and a name held by someone else.

Usage: mpris_e2e.py --bin BUILD_BIN --driver DRIVER_EXE_SO

Exit code 0 when it passed, 1 when it failed, 77 (skipped) when the program has not been built.
"""

import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import time
import urllib.parse
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ of the imported test modules in the checkout
import dbus_wire  # noqa: E402
from harness import file_types, player_pids  # noqa: E402
from run_e2e import (CMD_EXIT, CMD_PAUSE, KEY_NEXT, KEY_PAUSE, Player, hears,  # noqa: E402
                     hears_silence, m3u, read)
from suite import Skipped, Suite, changed, check, wait_for  # noqa: E402

NAME = "org.mpris.MediaPlayer2.tunlark"
PATH = "/org/mpris/MediaPlayer2"
PLAYER = "org.mpris.MediaPlayer2.Player"
PROPERTIES = "org.freedesktop.DBus.Properties"

SUITE = Suite()


class SessionBus:
    """A dbus-daemon of the test's own; the player and the clients find it through
    DBUS_SESSION_BUS_ADDRESS for as long as the block runs."""

    def __init__(self, env):
        self.env = env
        self.address = "unix:path=" + os.path.join(env.root, "session-bus")
        self.process = None

    def __enter__(self):
        for tool in ("dbus-daemon", "playerctl", "gdbus"):
            if not shutil.which(tool):
                raise Skipped("%s is not installed (scripts/setup)" % tool)
        log = open(os.path.join(self.env.root, "dbus-daemon.log"), "ab")
        self.process = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + self.address],
            env=self.env.env, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
            start_new_session=True)
        socket = self.address[len("unix:path="):]
        check(wait_for(lambda: os.path.exists(socket), 10), "dbus-daemon did not start")
        self.env.env["DBUS_SESSION_BUS_ADDRESS"] = self.address
        return self

    def __exit__(self, *exc):
        self.env.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.process.terminate()
        self.process.wait(10)
        if os.path.exists(self.address[len("unix:path="):]):
            os.remove(self.address[len("unix:path="):])
        return False


def run(env, *command):
    result = subprocess.run(list(command), env=env.env, capture_output=True, timeout=30)
    return result.stdout.decode(errors="replace").strip()


def playerctl(env, *args):
    return run(env, "playerctl", "-p", "tunlark", *args)


def listed(env):
    return "tunlark" in run(env, "playerctl", "-l").split()


def status_becomes(env, wanted, timeout=5):
    check(wait_for(lambda: playerctl(env, "status") == wanted, timeout),
          "status %r, expected %r" % (playerctl(env, "status"), wanted))


def next_line(process, timeout=5):
    """The next line a follower prints, or None when none comes in time."""
    ready, _, _ = select.select([process.stdout], [], [], timeout)
    return process.stdout.readline().strip().decode() if ready else None


def position(env):
    return float(playerctl(env, "position") or "nan")


def rss_kib(pid):
    with open("/proc/%s/status" % pid) as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))


def cpu_seconds(pid):
    total = 0
    for task in os.listdir("/proc/%s/task" % pid):
        try:
            with open("/proc/%s/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
        except OSError:
            pass
    return total / 1e9


def png(width, height, rgb):
    """A PNG of one colour, written by hand so that its bytes are known."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = b"".join(b"\0" + bytes(rgb) * width for _ in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
            + chunk(b"IEND", b""))


def id3v23(frames):
    """An ID3v2.3 tag of (frame id, body) pairs."""
    body = b"".join(name.encode() + struct.pack(">I", len(data)) + b"\0\0" + data
                    for name, data in frames)
    size = bytes((len(body) >> shift) & 0x7F for shift in (21, 14, 7, 0))
    return b"ID3\x03\0\0" + size + body


def apev2(items):
    """An APEv2 tag with its header of (key, value, binary) items, as it ends an MP3."""
    body = b"".join(struct.pack("<II", len(value), 2 if binary else 0) + key.encode() + b"\0" +
                    value for key, value, binary in items)

    def frame(flags):
        return (b"APETAGEX" + struct.pack("<IIII", 2000, len(body) + 32, len(items), flags) +
                b"\0" * 8)
    return frame(0xA0000000) + body + frame(0x80000000)


def utf16_text(text):
    return b"\x01" + text.encode("utf-16")  # with its byte-order mark


def single_byte_text(text):
    """A frame marked ISO-8859-1 that holds Windows-1251 bytes, as old Windows taggers wrote."""
    return b"\0" + text.encode("cp1251")


def id3v1(title, artist, album):
    def field(text):
        return text.encode("cp1251").ljust(30, b"\0")
    return b"TAG" + field(title) + field(artist) + field(album) + b"1988" + field("") + b"\xff"


def mod_named(title):
    """A silent four-channel MOD of one empty pattern whose song name is title."""
    sample = b"\0" * 22 + b"\0\0" + b"\0\x40" + b"\0\0" + b"\0\x01"
    return (title.encode().ljust(20, b"\0") + sample * 31 + b"\x01\x00" + b"\0" * 128 +
            b"M.K." + b"\0" * 1024)


def metadata(env, key):
    return playerctl(env, "metadata", key)


def menu_mime_types():
    types = []
    for row in file_types():
        types += [t for t in row["mime"] if t not in types]
    return types


@SUITE.case
def playerctl_drives_the_player(env, files):
    music = os.path.dirname(files["a"])
    playlist = os.path.join(music, "mpris.m3u")
    with open(playlist, "wb") as f:
        f.write(m3u(env, [files["a"], files["rewind"]]))
    # A name the code page cannot spell: the URI and the title carry the real one.
    folder = os.path.join(music, "Sigur Rós")
    os.makedirs(folder)
    unicode_track = os.path.join(folder, "Hoppípolla.ogg")
    shutil.copy(files["c"], unicode_track)

    with SessionBus(env) as bus, Player(env, "mpris", env.windows_path(playlist)) as player:
        hears(env, "a")
        check(wait_for(lambda: listed(env), 10), "playerctl -l does not list the player")
        shown = run(env, "gdbus", "introspect", "--session", "--dest", NAME, "--object-path", PATH)
        for interface in ("org.mpris.MediaPlayer2", PLAYER):
            check("interface %s {" % interface in shown, "introspection lacks %s" % interface)
        root = run(env, "gdbus", "call", "--session", "--dest", NAME, "--object-path", PATH,
                   "--method", PROPERTIES + ".GetAll", "org.mpris.MediaPlayer2")
        for wanted in ("'Identity': <'Tunlark'>", "'DesktopEntry': <'tunlark'>",
                       "'CanQuit': <true>", "'CanRaise': <false>", "'SupportedUriSchemes': <['file']>",
                       "'SupportedMimeTypes': <[%s]>" % ", ".join(
                           "'%s'" % t for t in menu_mime_types())):
            check(wanted in root, "root properties lack %s: %s" % (wanted, root))

        status_becomes(env, "Playing")
        check(playerctl(env, "metadata", "title") == "tone a", "title %r" %
              playerctl(env, "metadata", "title"))
        check(playerctl(env, "metadata", "mpris:length") == "60000000",
              "length %r" % playerctl(env, "metadata", "mpris:length"))

        # Changes from the menu and the hotkeys reach a follower as signals.
        follower = subprocess.Popen(["playerctl", "-p", "tunlark", "--follow", "status"],
                                    env=env.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                    bufsize=0)  # unbuffered, so that select sees every line
        try:
            check(next_line(follower) == "Playing", "follow did not start")
            env.drive("command", CMD_PAUSE)
            check(next_line(follower) == "Paused", "the menu's pause was not signalled")
            env.drive("hotkey", KEY_PAUSE)
            check(next_line(follower) == "Playing", "the hotkey's pause was not signalled")
        finally:
            follower.kill()
            follower.wait()

        playerctl(env, "play-pause")
        status_becomes(env, "Paused")
        hears_silence(env)
        playerctl(env, "play-pause")
        hears(env, "a")
        playerctl(env, "pause")
        hears_silence(env)
        playerctl(env, "pause")
        time.sleep(1.0)
        check(playerctl(env, "status") == "Paused", "a second pause resumed")
        playerctl(env, "play")
        hears(env, "a")
        status_becomes(env, "Playing")

        playerctl(env, "next")
        hears(env, "early")
        check(playerctl(env, "metadata", "title") == "rewind", "next: title %r" %
              playerctl(env, "metadata", "title"))
        playerctl(env, "position", "10")
        hears(env, "late", timeout=3)
        check(9.5 < position(env) < 12, "position after SetPosition: %s" % position(env))
        # Paused, the position holds while the output stands idle; played again, it goes on from
        # there, neither from before what the output held nor past it.
        playerctl(env, "pause")
        status_becomes(env, "Paused")
        held = position(env)
        time.sleep(1.0)
        check(position(env) == held, "paused at %.2f, then at %.2f" % (held, position(env)))
        playerctl(env, "play")
        hears(env, "late", timeout=3)
        resumed = position(env)
        check(held <= resumed < held + 3, "paused at %.2f, played on at %.2f" % (held, resumed))
        before = position(env)
        playerctl(env, "position", "2-")  # Seek by -2 s: the RewindB hotkey
        after = position(env)
        check(before - 3.3 < after < before - 1.4, "rewind: %.2f -> %.2f" % (before, after))
        playerctl(env, "previous")
        hears(env, "a")

        loud = env.listen(1.0).rms
        playerctl(env, "volume", "0.33")
        check(wait_for(lambda: b"Volume=35\r\n" in read(player.file("config.cfg")), 5),
              "volume 0.33 not saved as 35")
        check(playerctl(env, "volume") == "0.350000", "volume reads %r" % playerctl(env, "volume"))
        time.sleep(0.5)
        quiet = env.listen(1.0).rms
        check(quiet < loud * 0.85, "volume 0.33: %.0f -> %.0f" % (loud, quiet))

        uri = "file://" + urllib.parse.quote(unicode_track)
        run(env, "playerctl", "-p", "tunlark", "open", uri)
        hears(env, "c")
        check(wait_for(lambda: playerctl(env, "metadata", "xesam:url") == uri, 5),
              "url %r, expected %r" % (playerctl(env, "metadata", "xesam:url"), uri))
        check(playerctl(env, "metadata", "title") == "Hoppípolla", "title %r" %
              playerctl(env, "metadata", "title"))

        playerctl(env, "stop")
        hears_silence(env)
        status_becomes(env, "Stopped")
        playerctl(env, "play-pause")  # while stopped: plays
        hears(env, "c")
        played = position(env)
        playerctl(env, "play")  # while playing: goes on
        check(position(env) >= played, "play restarted the playing track")

        # A bus that no longer answers holds up nothing of the exit's saves: a logout may end the
        # process at any moment once the icon has gone.
        written = [changed(player.file(name)) for name in ("config.cfg", "current.spl")]
        os.kill(bus.process.pid, signal.SIGSTOP)
        later = None
        try:
            env.drive("command", CMD_EXIT)
            check(wait_for(lambda: all(was_written() for was_written in written), 1.5, 0.05),
                  "the files were not written at once while the bus did not answer")
            # A start while the player waits for the bus at its exit: it waits for that player
            # to end and then plays its file, rather than hand it over to be lost.
            later = env.start_player(player.folder, env.windows_path(files["a"]))
            check(player.wait_exit() == 0, "exit code %s after Выход" % player.exit_code)
        finally:
            os.kill(bus.process.pid, signal.SIGCONT)
        try:
            check(env.drive("wait-window", 20000, timeout=60)[0] == 0,
                  "the start during the exit left no player")
            hears(env, "a")
            env.drive("command", CMD_EXIT)
            check(later.wait(20) == 0, "exit code %s of the later player" % later.returncode)
        finally:
            if later and later.poll() is None:
                later.kill()
                later.wait()
        check(not listed(env), "playerctl -l lists the player after Выход")


@SUITE.case
def flood_wrong_types_and_a_taken_name_leave_the_player_working(env, files):
    playlist = os.path.join(os.path.dirname(files["a"]), "flood.m3u")
    with open(playlist, "wb") as f:
        f.write(m3u(env, [files["a"], files["b"]]))
    with SessionBus(env) as bus:
        # Another copy holds the name: the player plays as without a bus and says nothing.
        holder = dbus_wire.Connection(bus.address)
        error, _ = holder.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "RequestName", "su", (NAME, 4))
        check(error is None, "could not take the name: %s" % error)
        with Player(env, "taken", env.windows_path(files["a"])) as player:
            hears(env, "a")
            check(player.quit() == 0, "exit code %s with the name taken" % player.exit_code)
        holder.close()

        with Player(env, "flood", env.windows_path(playlist)) as player:
            hears(env, "a")
            check(wait_for(lambda: listed(env), 10), "the player did not take the free name")
            client = dbus_wire.Connection(bus.address)

            def call(interface, member, signature="", args=()):
                return client.call(NAME, PATH, interface, member, signature, args)

            for member, signature, args in (("Seek", "s", ("far",)),
                                            ("SetPosition", "sx", ("x", 1)),
                                            ("OpenUri", "x", (1,))):
                error, _ = call(PLAYER, member, signature, args)
                check(error == "org.freedesktop.DBus.Error.InvalidArgs",
                      "%s(%s) answered %s" % (member, signature, error))
            error, _ = call(PROPERTIES, "Set", "ssv", (PLAYER, "Volume", ("s", "loud")))
            check(error is not None, "Volume set to a string was accepted")
            for uri in ("http://example.invalid/a.mp3", "file:///no/such/file.wav", "file:"):
                check(call(PLAYER, "OpenUri", "s", (uri,))[0] is None, "OpenUri(%s) failed" % uri)
            check(call(PLAYER, "SetPosition", "ox", ("/org/tunlark/Track/0", 20000000))[0] is None,
                  "SetPosition for another track failed")
            time.sleep(1.0)
            check(playerctl(env, "metadata", "title") == "tone a", "bad input changed the track")
            check(position(env) < 10, "SetPosition for another track moved: %s" % position(env))
            hears(env, "a")

            # Idle with the bus connected: the bus thread sleeps as the main loop does.
            pid = next(iter(player_pids(player.folder.encode())), None)
            check(pid, "the player's process was not found")
            playerctl(env, "pause")
            status_becomes(env, "Paused")
            time.sleep(1.0)
            spent = cpu_seconds(pid)
            time.sleep(5.0)
            spent = cpu_seconds(pid) - spent
            print("  paused with a bus: %.1f ms of CPU in 5 s" % (spent * 1000))
            check(spent < 0.02, "paused with a bus, the player used %.3f s in 5 s" % spent)
            # A change is signalled at once: PlayPause carried out on the main thread, the state
            # handed back, PropertiesChanged sent.
            error, _ = client.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus", "AddMatch", "s",
                                   ("type='signal',interface='%s',member='PropertiesChanged'"
                                    % PROPERTIES,))
            check(error is None, "AddMatch: %s" % error)
            started = time.time()
            client.send(NAME, PATH, PLAYER, "PlayPause")
            client.wait_signal("PropertiesChanged")
            delay = time.time() - started
            print("  PropertiesChanged %.0f ms after PlayPause" % (delay * 1000))
            check(delay < 0.1, "PropertiesChanged came %.0f ms after PlayPause" % (delay * 1000))
            hears(env, "a")

            def flood(count):
                """Sends count calls on one connection as fast as it takes them, then reads every
                answer: each is a reply, InvalidArgs for a wrong type or LimitsExceeded for a
                request refused while the queue to the main thread is full."""
                started = time.time()
                serials = []
                for number in range(count):
                    kind = number % 4
                    if kind == 0:
                        args = (PROPERTIES, "Get", "ss", (PLAYER, "PlaybackStatus"))
                    elif kind == 1:
                        args = (PLAYER, "SetPosition", "ox", ("/org/tunlark/Track/0", 1))
                    elif kind == 2:
                        args = (PLAYER, "OpenUri", "s", ("file:///no/such/%d.wav" % number,))
                    else:
                        args = (PLAYER, "Seek", "s", ("wrong",))
                    serials.append(client.send(NAME, PATH, *args))
                answers, waited = {}, set(serials)
                while len(answers) < count:
                    kind, reply_to, error, _, _ = client.receive()
                    if kind in (dbus_wire.METHOD_RETURN, dbus_wire.ERROR) and reply_to in waited:
                        answers[reply_to] = error
                rate = count / (time.time() - started)
                errors = {}
                for error in answers.values():
                    errors[error] = errors.get(error, 0) + 1
                print("  %.0f calls a second, answered %s" % (rate, errors))
                check(set(errors) <= {None, "org.freedesktop.DBus.Error.InvalidArgs",
                                      "org.freedesktop.DBus.Error.LimitsExceeded"},
                      "answers %s" % errors)
                error, status = call(PROPERTIES, "Get", "ss", (PLAYER, "PlaybackStatus"))
                check(status == "Playing", "after the flood: %s %s" % (error, status))
                return rate

            flood(4000)
            first = rss_kib(pid)
            rate = flood(4000)
            grown = rss_kib(pid) - first
            print("  memory %+d KiB after the second flood" % grown)
            check(rate > 1000, "only %.0f calls a second got through" % rate)
            check(grown < 2048, "memory grew by %d KiB over a flood" % grown)
            hears(env, "a")
            started = time.time()
            env.drive("hotkey", KEY_NEXT)
            hears(env, "b", timeout=5)
            check(time.time() - started < 5, "the player was slow after the flood")

            # Quit through the bus ends the player as "Выход" does, files and all. A file asked
            # for right after it is refused: the caller starts a player of its own rather than
            # take it for opened by one that is gone.
            written = [changed(player.file(name)) for name in ("config.cfg", "current.spl")]
            quit = client.send(NAME, PATH, "org.mpris.MediaPlayer2", "Quit")
            opened = client.send(NAME, PATH, PLAYER, "OpenUri", "s",
                                 ("file://" + urllib.parse.quote(files["c"]),))
            waited, answers = {quit, opened}, {}
            while set(answers) != waited:
                kind, reply_to, error, _, _ = client.receive()
                if kind in (dbus_wire.METHOD_RETURN, dbus_wire.ERROR) and reply_to in waited:
                    answers[reply_to] = error
            check(answers[quit] is None, "Quit failed: %s" % answers[quit])
            check(answers[opened] == "org.freedesktop.DBus.Error.Failed",
                  "OpenUri while exiting answered %s" % answers[opened])
            check(player.wait_exit() == 0, "exit code %s after Quit" % player.exit_code)
            check(all(was_written() for was_written in written), "Quit did not write the files")
            spl = read(player.file("current.spl"))
            check(spl.count(b"\r\n") == 1, "current.spl after Quit: %r" % spl)
            check(not listed(env), "the name stayed after Quit")
            client.close()


@SUITE.case
def tags_and_pictures_reach_the_desktop(env, files):
    folder = os.path.join(os.path.dirname(files["a"]), "tagged")
    os.makedirs(folder)
    with open(files["b"], "rb") as f:
        mp3 = f.read()
    cover = png(8, 8, (200, 30, 60))

    def write(name, data):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    utf16 = write("utf16.mp3", id3v23([
        ("TIT2", utf16_text("Звезда по имени Солнце")), ("TPE1", utf16_text("Кино")),
        ("TALB", utf16_text("Звезда по имени Солнце")), ("TRCK", b"\0" + b"3/8"),
        ("APIC", b"\0image/png\0\x03\0" + cover)]) + mp3)
    legacy = write("legacy.mp3", id3v23([
        ("TIT2", single_byte_text("Группа крови")), ("TPE1", single_byte_text("Кино")),
        ("TALB", single_byte_text("Группа крови"))]) + mp3)
    v1_only = write("v1.mp3", mp3 + id3v1("Кукушка", "Кино", "Чёрный альбом"))
    ape_cover = png(8, 8, (30, 200, 60))
    ape = write("ape.mp3", id3v23([("TIT2", single_byte_text("Мама Анархия"))]) + mp3 + apev2([
        ("Cover Art (Back)", b"back.png\0" + png(8, 8, (9, 9, 9)), True),
        ("Cover Art (Front)", b"front.png\0" + ape_cover, True)]))
    module = write("named.mod", mod_named("space debris"))
    pcm = os.path.join(folder, "pcm.wav")  # the encoders take 16-bit samples
    subprocess.run(["sox", files["short"], "-b", "16", pcm], check=True, timeout=60)
    flac = os.path.join(folder, "vorbis.flac")
    subprocess.run(["flac", "--silent", "-f", "-T", "TITLE=Пачка сигарет", "-T", "ARTIST=Кино",
                    "-T", "ALBUM=Последний герой", "-o", flac, pcm], check=True,
                   timeout=60)
    opus = os.path.join(folder, "tagged.opus")
    subprocess.run(["opusenc", "--quiet", "--title", "Спокойная ночь", "--artist", "Кино",
                    "--album", "Звезда", pcm, opus], check=True, timeout=60)
    m4a = os.path.join(folder, "tagged.m4a")
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-i", pcm, "-c:a", "aac",
                    "-metadata", "title=Красно-жёлтые дни", "-metadata", "artist=Кино",
                    "-metadata", "album=Чёрный альбом", m4a], check=True, timeout=60)
    # Nothing embedded, or a "picture" that is no image: the folder's picture is shown.
    album = os.path.join(folder, "album")
    os.makedirs(album)
    folder_cover = os.path.join(album, "Cover.PNG")
    with open(folder_cover, "wb") as f:
        f.write(png(4, 4, (0, 0, 255)))
    untagged = os.path.join(album, "untagged.wav")
    shutil.copy(files["short"], untagged)
    # A name Windows forbids: the player knows the file by its alias, the desktop by its name.
    forbidden = os.path.join(album, "Why?.wav")
    shutil.copy(files["short"], forbidden)
    not_an_image = os.path.join(album, "bogus picture.mp3")
    with open(not_an_image, "wb") as f:
        f.write(id3v23([("TIT2", single_byte_text("Апрель")),
                        ("APIC", b"\0image/png\0\x03\0" + b"no picture here" * 100)]) + mp3)

    def opened(path, title):
        run(env, "playerctl", "-p", "tunlark", "open", "file://" + urllib.parse.quote(path))
        check(wait_for(lambda: metadata(env, "title") == title, 5),
              "%s: title %r, expected %r" % (os.path.basename(path), metadata(env, "title"), title))

    with SessionBus(env), Player(env, "tags", env.windows_path(files["a"])):
        check(wait_for(lambda: listed(env), 10), "playerctl -l does not list the player")
        # Untagged: the file title, and no artist or picture.
        check(wait_for(lambda: metadata(env, "title") == "tone a", 5), "untagged title %r" %
              metadata(env, "title"))
        check(metadata(env, "artist") == "" and metadata(env, "mpris:artUrl") == "",
              "an untagged file has an artist or picture: %r %r" % (
                  metadata(env, "artist"), metadata(env, "mpris:artUrl")))

        rows = [(utf16, "Звезда по имени Солнце", "Кино", "Звезда по имени Солнце"),
                (legacy, "Группа крови", "Кино", "Группа крови"),
                (v1_only, "Кукушка", "Кино", "Чёрный альбом"),
                (flac, "Пачка сигарет", "Кино", "Последний герой"),
                (opus, "Спокойная ночь", "Кино", "Звезда"),
                (m4a, "Красно-жёлтые дни", "Кино", "Чёрный альбом"),
                (module, "space debris", "", "")]
        for path, title, artist, album_name in rows:
            opened(path, title)
            got = (metadata(env, "artist"), metadata(env, "album"))
            check(got == (artist, album_name), "%s: artist and album %r" % (
                os.path.basename(path), got))

        opened(utf16, "Звезда по имени Солнце")
        check(metadata(env, "xesam:trackNumber") == "3", "track number %r" %
              metadata(env, "xesam:trackNumber"))
        art = metadata(env, "mpris:artUrl")
        covers = os.path.join(env.env["HOME"], ".cache", "tunlark", "covers")
        check(art.startswith("file://" + covers + "/"), "artUrl %r" % art)
        with open(urllib.parse.unquote(art[len("file://"):]), "rb") as f:
            check(f.read() == cover, "the cached picture differs from the embedded one")
        # An APEv2 tag's front cover, after another picture of it.
        opened(ape, "Мама Анархия")
        art = metadata(env, "mpris:artUrl")
        check(art.startswith("file://" + covers + "/"), "APE cover: artUrl %r" % art)
        with open(urllib.parse.unquote(art[len("file://"):]), "rb") as f:
            check(f.read() == ape_cover, "the cached picture is not the APE tag's front cover")

        for path, title in ((untagged, "untagged"), (forbidden, "Why?"),
                            (not_an_image, "Апрель")):
            opened(path, title)
            check(metadata(env, "mpris:artUrl") == "file://" + urllib.parse.quote(folder_cover),
                  "%s: artUrl %r" % (title, metadata(env, "mpris:artUrl")))


def main():
    return SUITE.main()


if __name__ == "__main__":
    sys.exit(main())
