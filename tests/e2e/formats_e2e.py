#!/usr/bin/env python3
"""End-to-end test that every track kind plays: one file of each kind is handed over to a running
player as a second start with its path would do, and then played again from the menu after a
stop. Runs against either build (harness.py picks Tunlark.exe.so or Tunlark.exe in --bin).

Usage: formats_e2e.py --bin BUILD_BIN --driver DRIVER --fixtures TUNLARK_E2E_FIXTURES
       formats_e2e.py --native --bin NATIVE_BIN --fixtures TUNLARK_E2E_FIXTURES
Exit code 0 when it passed, 1 when it failed, 77 (skipped) when the program has not been built.
"""

import array
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from harness import RATE, Sound  # noqa: E402
from resource_ids import RESOURCE  # noqa: E402
from suite import Suite, check  # noqa: E402

CMD_PLAY, CMD_STOP, CMD_EXIT = RESOURCE["IDM_PLAY"], RESOURCE["IDM_STOP"], RESOURCE["IDM_EXIT"]
TONE = 600  # the tone files' frequency

# Tone files are recognised by their tone; the modules play a square wave, so any sound will do.
KINDS = ["tone.aiff", "tone.mp2", "tone.mp1", "module.mod", "module.s3m", "module.xm",
         "module.it", "module.mtm", "module.umx", "tone.flac", "tone.opus", "tone-aac.m4a",
         "tone-alac.m4a", "tone.wma"]
NEXT = 900  # the FLAC that follows the 3-second AAC track


def heard(env, name, timeout=10):
    if name.startswith("tone"):
        sound, ok = env.wait_for_sound(lambda s: s.tone == "kind", timeout)
    else:
        sound, ok = env.wait_for_sound(lambda s: not s.silent, timeout)
    check(ok, "%s: nothing heard (%r)" % (name, sound))


def silence(env, name):
    sound, ok = env.wait_for_sound(lambda s: s.silent, 5)
    check(ok, "%s: still heard after Stop (%r)" % (name, sound))


SUITE = Suite()


@SUITE.case
def every_kind_plays(env, folder):
    first = os.path.join(folder, KINDS[0])
    program_dir = env.make_program_dir("formats")
    process = env.start_player(program_dir, env.windows_path(first))
    try:
        check(env.drive("wait-window", 20000, timeout=60)[0] == 0, "the player did not start")
        for name in KINDS:
            if name != KINDS[0]:
                env.drive("command", CMD_STOP)
                silence(env, name)
                code = env.run_player(program_dir, env.windows_path(os.path.join(folder, name)))
                check(code == 0, "%s: the second start ended with %s" % (name, code))
            heard(env, name)
            env.drive("command", CMD_STOP)
            silence(env, name)
            env.drive("command", CMD_PLAY)
            heard(env, name)
            print("  %s plays" % name, flush=True)
        env.drive("command", CMD_EXIT)
        check(process.wait(20) == 0, "the player did not end cleanly")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def tone_spans(samples, tones, step=0.02):
    """Per tone name, the first and last time (seconds) a window of step holds it."""
    spans = {}
    size = int(RATE * step)
    for i in range(0, len(samples) - size, size):
        sound = Sound(samples[i:i + size], tones)
        if sound.tone is not None:
            first, _ = spans.get(sound.tone, (i / RATE, 0))
            spans[sound.tone] = (first, (i + size) / RATE)
    return spans


@SUITE.case
def linux_playlist_plays_every_entry_and_joins(env, folder):
    # As a Linux tool writes it: no header, LF, a comment, paths relative to the list.
    playlist = os.path.join(folder, "linux.m3u")
    with open(playlist, "w", newline="\n") as f:
        f.write("# written by hand\nshort.m4a\nsub/next.flac\n")
    env.tones["next"] = NEXT
    program_dir = env.make_program_dir("linux-list")
    start = os.path.getsize(env.recording)
    process = env.start_player(program_dir, env.windows_path(playlist))
    try:
        check(env.drive("wait-window", 20000, timeout=60)[0] == 0, "the player did not start")
        sound, ok = env.wait_for_sound(lambda s: s.tone == "next", 20)
        check(ok, "the second entry was not heard (%r)" % sound)
        env.listen(1.0)
        with open(env.recording, "rb") as f:
            f.seek(start)
            data = f.read()
        samples = array.array("h")
        samples.frombytes(data[:len(data) // 2 * 2])
        spans = tone_spans(samples, {"kind": TONE, "next": NEXT})
        check("kind" in spans, "the AAC track was not heard")
        heard_for = spans["kind"][1] - spans["kind"][0]
        gap = spans["next"][0] - spans["kind"][1]
        print("  the AAC track was heard for %.2f s, the next followed after %.2f s"
              % (heard_for, gap), flush=True)
        # Wine's waveOut, which the Windows build plays through here, counts as played what it has
        # handed to the sound server, so that build moves on up to about 0.15 s before the end.
        least = 2.9 if env.winelib else 2.8
        check(least <= heard_for <= 3.1, "the 3-second AAC track was heard for %.2f s" % heard_for)
        check(gap <= 0.3, "the next track followed after %.2f s" % gap)
        env.drive("command", CMD_EXIT)
        check(process.wait(20) == 0, "the player did not end cleanly")
        with open(os.path.join(program_dir, "current.spl"), "rb") as f:
            saved = f.read().split(b"\r\n")
        check(saved == [env.windows_path(os.path.join(folder, name)).encode()
                        for name in ("short.m4a", "sub/next.flac")],
              "current.spl holds %r, not the resolved paths" % saved)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def kinds_folder(env, args):
    """One file of each kind, made by the fixtures program; the tone files play TONE."""
    env.make_fixtures()
    env.tones["kind"] = TONE
    folder = os.path.join(env.root, "kinds")
    os.makedirs(folder)
    subprocess.run([args.fixtures, folder], check=True, timeout=120)
    return (folder,)


def main():
    if "--native" in sys.argv:
        # The native program, whose FFmpeg decoder is a module it loads beside itself.
        import native_driver
        native_driver.use_native_program(sys.argv)
    return SUITE.main(options=["--fixtures"], arguments=kinds_folder)


if __name__ == "__main__":
    sys.exit(main())
