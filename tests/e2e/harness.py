"""The world the player runs in during the end-to-end tests.

One Environment holds a virtual display (Xvfb) with a tray host (trayer), a PulseAudio server
with a null sink whose monitor is recorded, and a fresh Wine prefix with a Russian locale; all
of it lives under one temporary folder and is stopped when the Environment is closed, also after
a failure. Standard library only.
"""

import array
import math
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
RATE = 44100
SINK = "tunlark_e2e"
DEFAULT_FILES = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), "resources", "make_default_files.py")
FILE_TYPES = os.path.join(os.path.dirname(DEFAULT_FILES), "track_formats.txt")


def file_types():
    """The rows of the player's table of file types: dicts of extension, opens, filter, pattern
    and mime (a list)."""
    rows = []
    with open(FILE_TYPES, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.split():
                continue
            # An "ffmpeg" row goes on with FFmpeg's names, which the tests do not read.
            extension, opens, place, pattern, mime = line.split()[:5]
            rows.append(dict(extension=extension, opens=opens, filter=int(place), pattern=pattern,
                             mime=mime.split(";")))
    return rows


class Failure(Exception):
    pass


def _start(command, env, log, **kwargs):
    return subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT,
                            stdin=subprocess.DEVNULL, start_new_session=True, **kwargs)


def _stop(process, grace=3.0):
    if process is None or process.poll() is not None:
        return
    try:
        os.killpg(process.pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    try:
        process.wait(grace)
    except subprocess.TimeoutExpired:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        process.wait()


def tone_power(samples, frequency):
    """Goertzel: the strength of one frequency in the samples, relative to full scale."""
    coefficient = 2.0 * math.cos(2.0 * math.pi * frequency / RATE)
    s1 = s2 = 0.0
    for sample in samples:
        s0 = sample + coefficient * s1 - s2
        s2, s1 = s1, s0
    power = s1 * s1 + s2 * s2 - coefficient * s1 * s2
    return math.sqrt(max(power, 0.0)) / (len(samples) * 32768.0 / 2) if samples else 0.0


class Sound:
    """A stretch of what the null sink played."""

    SILENCE_RMS = 200  # of 32767; the fixtures play at about 8000 at volume 50

    def __init__(self, samples, tones):
        self.samples = samples
        self.rms = math.sqrt(sum(s * s for s in samples) / len(samples)) if samples else 0.0
        self.powers = {name: tone_power(samples, frequency) for name, frequency in tones.items()}

    @property
    def silent(self):
        return self.rms < self.SILENCE_RMS

    @property
    def tone(self):
        """The name of the strongest fixture tone, or None for silence."""
        if self.silent or not self.powers:
            return None
        return max(self.powers, key=self.powers.get)

    def __repr__(self):
        return "Sound(rms=%.0f, tone=%s)" % (self.rms, self.tone)


def program_file(bin_dir):
    """The program in a built folder: the Winelib build's Tunlark.exe.so, else the native Windows
    build's Tunlark.exe (a PE file, which has no X11 hotkey bridge)."""
    winelib = os.path.join(bin_dir, "Tunlark.exe.so")
    return winelib if os.path.exists(winelib) else os.path.join(bin_dir, "Tunlark.exe")


def player_pids(*marks):
    """The running players whose command line holds one of marks (bytes), children of the test
    or not (a launcher leaves its player running on its own)."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                args = f.read()
        except OSError:
            continue
        if b"Tunlark.exe" in args and any(mark in args for mark in marks):
            found.append(pid)
    return found


def task_ns(pid):
    """Run time of all threads of the process, in nanoseconds; 0 when it is gone."""
    total = 0
    try:
        tasks = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return 0
    for task in tasks:
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            pass
    return total


def cpu_window(pids, seconds):
    """CPU seconds each process spends in the next seconds."""
    before = {pid: task_ns(pid) for pid in pids}
    time.sleep(seconds)
    return {pid: max(0, task_ns(pid) - before[pid]) / 1e9 for pid in pids}


def prefix_processes(prefix, exclude=()):
    """Pids of the processes whose WINEPREFIX is this one: a Wine session, the player, Wine's
    server and the helpers it starts. exclude: the harness's own (display, tray host, sound
    server, recorder), which carry it too."""
    found = []
    wanted = ("WINEPREFIX=" + prefix).encode()
    for name in os.listdir("/proc"):
        if not name.isdigit() or int(name) in exclude:
            continue
        try:
            with open("/proc/%s/environ" % name, "rb") as f:
                if wanted in f.read().split(b"\0"):
                    found.append(int(name))
        except OSError:
            pass
    return found


def command_name(pid):
    try:
        with open("/proc/%d/comm" % pid) as f:
            return f.read().strip()
    except OSError:
        return "?"


class Environment:
    # The recorder's block, which is also the null sink's: the benchmarks ask for a finer one.
    recorder_latency_ms = 50

    def __init__(self, bin_dir, driver):
        self.bin_dir = bin_dir
        self.program_name = os.path.basename(program_file(bin_dir))
        # Only the Winelib build has global hotkeys through X11 key grabs and plays straight to
        # the sound server instead of through Wine's waveOut.
        self.winelib = self.program_name.endswith(".so")
        self.x11_hotkeys = self.winelib
        self.driver = driver
        self.root = tempfile.mkdtemp(prefix="tunlark-e2e-")
        self.processes = []
        self.display = None
        self.recorder = None
        self.recording = os.path.join(self.root, "monitor.raw")
        self.env = None
        self.tones = {}

    # --- set-up and tear-down -------------------------------------------------------------

    def start(self):
        self._isolate({
            "WINEPREFIX": os.path.join(self.root, "wineprefix"),
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree=;mshtml=",
        })
        self._start_display()
        self._start_sound()
        self.run_logged(["wineboot", "-i"], "wineboot", timeout=180)
        # The first Wine command after the prefix is made starts the helpers; let it be this one.
        self.run_logged(["wine", self.driver, "window-exists"], "warm-up", timeout=120)

    def _isolate(self, extra):
        """A home, a runtime folder and an environment of the test's own, with extra added."""
        home = os.path.join(self.root, "home")
        runtime = os.path.join(self.root, "runtime")
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        # Nothing of the session the tests are started from may reach them: its locale, its
        # sound server, its folders (Wine puts menu entries under XDG_DATA_HOME), its Wine. The
        # system's own folders (XDG_DATA_DIRS, XDG_CONFIG_DIRS) stay.
        self.env = {name: value for name, value in os.environ.items()
                    if not name.startswith(("LC_", "PULSE_", "XDG_", "WINE", "TUNLARK_"))
                    and name != "LANGUAGE" or name.endswith("_DIRS")}
        self.env.update({
            "HOME": home,
            "XDG_RUNTIME_DIR": runtime,
            "PULSE_SERVER": "unix:%s/pulse/native" % runtime,
            "LANG": "ru_RU.UTF-8",
        })
        self.env.update(extra)
        for name in ("DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY"):
            self.env.pop(name, None)

    def _log(self, name):
        return open(os.path.join(self.root, name + ".log"), "ab")

    def _start_display(self):
        read_end, write_end = os.pipe()
        xvfb = _start(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                       "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT), "-nolisten", "tcp"],
                      self.env, self._log("xvfb"), pass_fds=(write_end,))
        os.close(write_end)
        self.processes.append(xvfb)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        self.display = ":" + number
        self.env["DISPLAY"] = self.display
        trayer = _start(["trayer", "--edge", "bottom", "--align", "right", "--width", "20",
                         "--height", "32"], self.env, self._log("trayer"))
        self.processes.append(trayer)
        time.sleep(1.0)

    def _start_sound(self):
        pulse = _start(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                        "--disallow-exit", "--load=module-native-protocol-unix",
                        "--load=module-null-sink sink_name=%s" % SINK],
                       self.env, self._log("pulseaudio"))
        self.processes.append(pulse)
        socket = os.path.join(self.env["XDG_RUNTIME_DIR"], "pulse", "native")
        deadline = time.time() + 15
        while not os.path.exists(socket):
            if time.time() > deadline or pulse.poll() is not None:
                raise Failure("PulseAudio did not start (see pulseaudio.log)")
            time.sleep(0.1)
        subprocess.run(["pactl", "set-default-sink", SINK], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10)
        self.recorder = _start(["parec", "-d", SINK + ".monitor", "--raw", "--format=s16le",
                                "--rate=%d" % RATE, "--channels=1",
                                "--latency-msec=%d" % self.recorder_latency_ms],
                               self.env, open(self.recording, "wb"))
        self.processes.append(self.recorder)

    def close(self):
        if self.env is not None and self.env.get("WINEPREFIX"):
            try:
                subprocess.run(["wineserver", "-k"], env=self.env, timeout=20,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            except (OSError, subprocess.TimeoutExpired):
                pass
        for process in reversed(self.processes):
            _stop(process)
        self.processes = []
        if os.environ.get("TUNLARK_E2E_KEEP"):
            print("kept", self.root)
        else:
            shutil.rmtree(self.root, ignore_errors=True)

    # --- running programs -----------------------------------------------------------------

    def run_logged(self, command, name, timeout=60):
        """Runs a command to its end with its output in a log file (never a pipe: Wine's helpers
        keep inherited pipes open). Returns the exit code."""
        with self._log(name) as log:
            return subprocess.run(command, env=self.env, stdout=log, stderr=subprocess.STDOUT,
                                  stdin=subprocess.DEVNULL, timeout=timeout).returncode

    def drive(self, *args, timeout=30):
        """Runs the driver; returns (exit code, its standard output as bytes)."""
        out_path = os.path.join(self.root, "driver.out")
        with open(out_path, "wb") as out, self._log("driver") as log:
            code = subprocess.run(["wine", self.driver] + [str(a) for a in args], env=self.env,
                                  stdout=out, stderr=log, stdin=subprocess.DEVNULL,
                                  timeout=timeout).returncode
        with open(out_path, "rb") as out:
            return code, out.read()

    def session_cpu(self, seconds):
        """Per process of the prefix's Wine session (by command name, the same names summed),
        the share of a core it spends in the next seconds."""
        pids = prefix_processes(self.env["WINEPREFIX"], {p.pid for p in self.processes})
        shares = {}
        for pid, used in cpu_window(pids, seconds).items():
            name = command_name(pid)
            shares[name] = shares.get(name, 0.0) + used / seconds
        return shares

    def windows_path(self, linux_path):
        return "Z:" + os.path.abspath(linux_path).replace("/", "\\")

    def make_program_dir(self, name):
        """A fresh program folder, as delivered."""
        folder = os.path.join(self.root, name)
        number = 1
        while os.path.exists(folder):
            number += 1
            folder = os.path.join(self.root, "%s-%d" % (name, number))
        self.fill_program_dir(folder)
        return folder

    def fill_program_dir(self, folder):
        """Puts the program's own files into folder: the program and its libraries and Help from
        the built folder, the default config.cfg and hotkeys.txt as resources/make_default_files.py
        writes them. A player started from the built folder may have written its own config.cfg
        and current.spl there; no case may start with those."""
        os.makedirs(folder, exist_ok=True)
        for name in os.listdir(self.bin_dir):
            if name in ("Tunlark.exe", "Tunlark.exe.so") or name.lower().endswith(".dll"):
                shutil.copy2(os.path.join(self.bin_dir, name), folder)
        shutil.copytree(os.path.join(self.bin_dir, "Help"), os.path.join(folder, "Help"))
        subprocess.run([sys.executable, DEFAULT_FILES, folder], check=True, timeout=60)

    def player_command(self, program_dir, *args):
        """The command line that starts the player of program_dir with args."""
        return ["wine", os.path.join(program_dir, self.program_name)] + list(args)

    def start_player(self, program_dir, *args):
        log = self._log("player")
        process = subprocess.Popen(["wine", os.path.join(program_dir, self.program_name)] +
                                   list(args), env=self.env, stdout=log,
                                   stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   start_new_session=True)
        return process

    def run_player(self, program_dir, *args, timeout=60):
        """A start that is expected to end by itself (a second instance); its exit code."""
        return self.run_logged(["wine", os.path.join(program_dir, self.program_name)] +
                               list(args), "second-instance", timeout=timeout)

    # --- what can be seen and heard -------------------------------------------------------

    def screenshot(self):
        """The screen as rows of (r, g, b) bytes."""
        path = os.path.join(self.root, "screen.rgb")
        subprocess.run(["import", "-display", self.display, "-window", "root", "-depth", "8",
                        "rgb:" + path],
                       env=self.env, timeout=30, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        with open(path, "rb") as f:
            return f.read()

    def save_screenshot(self, name):
        path = os.path.join(self.root, name + ".png")
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       env=self.env, timeout=30, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        return path

    def violet_box(self, top=SCREEN_HEIGHT - 48):
        """The bounding box (x0, y0, x1, y1) of the icons' violet in the screen's rows from top
        down (by default the tray host's strip at the bottom), or None."""
        pixels = self.screenshot()
        box = None
        for y in range(top, SCREEN_HEIGHT):
            row = pixels[y * SCREEN_WIDTH * 3:(y + 1) * SCREEN_WIDTH * 3]
            for x in range(0, SCREEN_WIDTH):
                r, g, b = row[3 * x], row[3 * x + 1], row[3 * x + 2]
                if b > 150 and 90 <= r <= 160 and g < 90:
                    if box is None:
                        box = [x, y, x, y]
                    else:
                        box = [min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y)]
        return tuple(box) if box else None

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def listen(self, seconds):
        """What the sink plays during the next seconds."""
        start = os.path.getsize(self.recording)
        time.sleep(seconds)
        with open(self.recording, "rb") as f:
            f.seek(start)
            data = f.read()
        data = data[:len(data) // 2 * 2]
        samples = array.array("h")
        samples.frombytes(data)
        return Sound(samples, self.tones)

    def wait_for_sound(self, predicate, timeout, window=0.4):
        """Listens until predicate(sound) holds; returns the last sound heard and whether it did."""
        deadline = time.time() + timeout
        sound = self.listen(window)
        while not predicate(sound) and time.time() < deadline:
            sound = self.listen(window)
        return sound, predicate(sound)

    # --- fixtures -------------------------------------------------------------------------

    def make_fixtures(self):
        """Tone files: a 400 Hz WAV, a 700 Hz MP3, a 1100 Hz OGG, a WAV that changes from
        500 Hz to 1500 Hz after six seconds (for rewinding), and a 4-second one whose last
        second is at 1500 Hz (for the end of a track)."""
        folder = os.path.join(self.root, "music")
        os.makedirs(folder)
        self.tones = {"a": 400, "b": 700, "c": 1100, "early": 500, "late": 1500}

        def synth(path, *parts):
            command = ["sox", "-n", "-r", str(RATE), "-c", "2", path]
            subprocess.run(command + list(parts), check=True, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        files = {}
        files["a"] = os.path.join(folder, "tone a.wav")
        synth(files["a"], "synth", "60", "sine", "400", "vol", "0.5")
        wav_b = os.path.join(folder, "b.wav")
        synth(wav_b, "synth", "60", "sine", "700", "vol", "0.5")
        files["b"] = os.path.join(folder, "tone_b.mp3")
        subprocess.run(["lame", "--quiet", "-b", "128", wav_b, files["b"]], check=True, timeout=60)
        os.remove(wav_b)
        files["c"] = os.path.join(folder, "tone_c.ogg")
        synth(files["c"], "synth", "60", "sine", "1100", "vol", "0.5")
        early = os.path.join(folder, "early.wav")
        late = os.path.join(folder, "late.wav")
        synth(early, "synth", "6", "sine", "500", "vol", "0.5")
        synth(late, "synth", "30", "sine", "1500", "vol", "0.5")
        files["rewind"] = os.path.join(folder, "rewind.wav")
        subprocess.run(["sox", early, late, files["rewind"]], check=True, timeout=60)
        files["short"] = os.path.join(folder, "short.wav")
        synth(files["short"], "synth", "3", "sine", "400", "vol", "0.5")
        # Its last second at another pitch, so that a test hears whether the end was played.
        files["tail"] = os.path.join(folder, "tail.wav")
        subprocess.run(["sox", files["short"], late, files["tail"], "trim", "0", "4"], check=True,
                       timeout=60)
        return files
