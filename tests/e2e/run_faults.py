#!/usr/bin/env python3
"""End-to-end fault cases: the real player fed hostile files keeps running and loses nothing.

Usage as run_e2e.py, whose environment and helpers these cases share.
"""

import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_e2e  # noqa: E402
from run_e2e import Player, check, cp1251, dialog_title, hears, hears_silence, read  # noqa: E402

run_e2e.CASES.clear()


@run_e2e.case
def hostile_files_keep_the_player_running(env, files):
    folder = os.path.dirname(files["a"])
    garbage = os.path.join(folder, "garbage.m3u")
    with open(garbage, "wb") as f:
        f.write(bytes(random.Random(8).randrange(256) for _ in range(64 * 1024)))
    # A megabyte-long #EXTINF line must not shift the path after it.
    huge = os.path.join(folder, "huge.m3u")
    with open(huge, "wb") as f:
        f.write(b"#EXTM3U\r\n#EXTINF:1," + b"x" * (1 << 20) + b"\r\n" +
                cp1251(env.windows_path(files["b"])) + b"\r\n")

    with Player(env, "hostile", env.windows_path(garbage)) as player:
        config = read(player.file("config.cfg")).split(b"\r\n")
        check(len(config) == 80, "the delivered config.cfg is not 80 lines")
        hears_silence(env)
        check(not dialog_title(env), "a message box after a garbage playlist")
        check(not os.path.exists(player.file("current.spl")),
              "an empty playlist was saved as a file")

        check(env.run_player(player.folder, env.windows_path(huge)) == 0, "hand-over exit code")
        hears(env, "b")
        check(read(player.file("current.spl")) == cp1251(env.windows_path(files["b"])),
              "current.spl does not hold the track after the huge line")
        check(player.quit() == 0, "exit code %s" % player.exit_code)

    # A config.cfg cut in the middle of a line loads, and the next save writes all 80 lines.
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
    check(saved.count(b"\r\n") == 79, "config.cfg after a cut one is not 80 lines")
    check(saved.startswith(b"\r\n".join(config[:40])), "the lines that were read changed")


if __name__ == "__main__":
    sys.exit(run_e2e.main())
