#!/usr/bin/env python3
"""End-to-end test that every track kind plays: one file of each kind is handed over to a running
player as a second start with its path would do, and then played again from the menu after a
stop. Runs against either build (harness.py picks Tunlark.exe.so or Tunlark.exe in --bin).

Usage: formats_e2e.py --bin BUILD_BIN --driver DRIVER --fixtures TUNLARK_E2E_FIXTURES
Exit code 0 when it passed, 1 when it failed, 77 (skipped) when the program has not been built.
"""

import argparse
import os
import signal
import subprocess
import sys
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from harness import Environment, Failure, program_file  # noqa: E402

CMD_PLAY, CMD_STOP, CMD_EXIT = 40024, 40027, 40007
TONE = 600  # the tone files' frequency

# Tone files are recognised by their tone; the modules play a square wave, so any sound will do.
KINDS = ["tone.aiff", "tone.mp2", "tone.mp1", "module.mod", "module.s3m", "module.xm",
         "module.it", "module.mtm", "module.umx"]


def check(condition, message):
    if not condition:
        raise Failure(message)


def heard(env, name, timeout=10):
    if name.startswith("tone"):
        sound, ok = env.wait_for_sound(lambda s: s.tone == "kind", timeout)
    else:
        sound, ok = env.wait_for_sound(lambda s: not s.silent, timeout)
    check(ok, "%s: nothing heard (%r)" % (name, sound))


def silence(env, name):
    sound, ok = env.wait_for_sound(lambda s: s.silent, 5)
    check(ok, "%s: still heard after Stop (%r)" % (name, sound))


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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--driver", required=True)
    parser.add_argument("--fixtures", required=True)
    args = parser.parse_args()

    program = program_file(args.bin)
    if not os.path.exists(program) or not os.path.exists(args.driver):
        print("SKIPPED: the Win32 program is not built (%s, %s)" % (program, args.driver))
        return 77

    def interrupted(number, frame):
        raise SystemExit(128 + number)
    signal.signal(signal.SIGTERM, interrupted)
    signal.signal(signal.SIGINT, interrupted)

    env = Environment(os.path.abspath(args.bin), os.path.abspath(args.driver))
    started = time.time()
    passed = False
    try:
        env.start()
        env.make_fixtures()
        env.tones["kind"] = TONE
        folder = os.path.join(env.root, "kinds")
        os.makedirs(folder)
        subprocess.run([args.fixtures, folder], check=True, timeout=120)
        every_kind_plays(env, folder)
        passed = True
        print("PASS every_kind_plays (%.1f s)" % (time.time() - started), flush=True)
    except Exception as error:
        print("FAIL every_kind_plays (%.1f s): %s" % (time.time() - started, error), flush=True)
        if not isinstance(error, Failure):
            traceback.print_exc()
    finally:
        env.close()
    print("%d passed, %d failed" % (int(passed), int(not passed)))
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
