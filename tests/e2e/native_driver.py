"""The driver's requests of the Win32 suites carried out on the native program from its outside,
so that the same cases run against both: the window is the instance's bus name, menu commands are
media-control calls, hotkeys are X key presses, message boxes are the program's GTK windows and a
hand-over is the instance's bus method.
"""

import os
import subprocess

import dbus_wire
import mpris_e2e
from native_e2e import PROGRAM, NativeEnvironment
from resource_ids import HOTKEY, RESOURCE
from suite import wait_for
from tray_e2e import has_owner

INSTANCE = "org.tunlark.Tunlark"
MPRIS_PATH = "/org/mpris/MediaPlayer2"
# The menu commands the cases give, as media-control methods.
COMMANDS = {RESOURCE["IDM_EXIT"]: ("org.mpris.MediaPlayer2", "Quit"),
            RESOURCE["IDM_PLAY"]: ("org.mpris.MediaPlayer2.Player", "Play"),
            RESOURCE["IDM_PAUSE"]: ("org.mpris.MediaPlayer2.Player", "Pause"),
            RESOURCE["IDM_STOP"]: ("org.mpris.MediaPlayer2.Player", "Stop"),
            RESOURCE["IDM_NEXT"]: ("org.mpris.MediaPlayer2.Player", "Next"),
            RESOURCE["IDM_PREVIOUS"]: ("org.mpris.MediaPlayer2.Player", "Previous")}
# The delivered hotkeys.
KEYS = {"Play": "KP_5", "Pause": "KP_0", "Stop": "KP_Delete", "PTrack": "KP_4", "NTrack": "KP_6",
        "RewindB": "KP_1", "RewindF": "KP_3", "OpenFile": "KP_7", "OpenFolder": "KP_9",
        "VolumeUp": "KP_8", "VolumeDown": "KP_2", "Mute": "KP_Multiply"}
KEY_OF_HOTKEY = {HOTKEY[name]: "ctrl+alt+" + key for name, key in KEYS.items()}


class NativeDriverEnvironment(NativeEnvironment):
    """The native program's environment with a session bus of its own for the whole run."""

    # A hand-over is the path's bytes as they are: one holding a NUL is refused, not cut.
    hand_over_cuts_at_nul = False
    # Every byte but '/' and NUL can be in a file's name.
    unix_names = True

    def start(self):
        super().start()
        self.bus = mpris_e2e.SessionBus(self).__enter__()

    def close(self):
        if getattr(self, "bus", None):
            self.bus.__exit__(None, None, None)
        super().close()

    def windows_path(self, linux_path):
        return os.path.abspath(linux_path)

    def player_command(self, program_dir, *args):
        return [os.path.join(program_dir, PROGRAM)] + list(args)

    def drive(self, verb, *args, timeout=30):
        """Returns (exit code, output) as the driver program does."""
        handler = getattr(self, "_" + verb.replace("-", "_"))
        return handler(*args, timeout=timeout)

    def _wait_window(self, milliseconds, timeout):
        return (0 if wait_for(lambda: has_owner(self, INSTANCE), milliseconds / 1000) else 1), b""

    def _window_exists(self, timeout):
        return (0 if has_owner(self, INSTANCE) else 1), b""

    def _command(self, command, timeout):
        interface, method = COMMANDS[int(command)]
        result = subprocess.run(["gdbus", "call", "--session", "--dest",
                                 "org.mpris.MediaPlayer2." + PROGRAM, "--object-path", MPRIS_PATH,
                                 "--method", interface + "." + method], env=self.env,
                                capture_output=True, timeout=timeout)
        return result.returncode, result.stdout

    def _hotkey(self, hotkey, timeout):
        return self._hotkey_burst(1, hotkey, timeout=timeout)

    def _hotkey_burst(self, count, hotkey, timeout):
        # The modifiers held through the burst: a third of the key events to send.
        modifiers, key = KEY_OF_HOTKEY[int(hotkey)].rsplit("+", 1)
        result = subprocess.run(["xdotool", "keydown", modifiers, "key", "--delay", "0",
                                 "--repeat", str(count), "--repeat-delay", "0", key, "keyup",
                                 modifiers], env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                timeout=timeout)
        return result.returncode, b""

    def _program_windows(self):
        """The program's visible dialogs (not its tray icon): (id, title)."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", PROGRAM],
                               env=self.env, capture_output=True, timeout=30).stdout.split()
        windows = []
        for window in found:
            kind = subprocess.run(["xprop", "-id", window, "_NET_WM_WINDOW_TYPE"], env=self.env,
                                  capture_output=True, timeout=30).stdout
            if b"_NET_WM_WINDOW_TYPE_DIALOG" not in kind:
                continue
            title = subprocess.run(["xdotool", "getwindowname", window], env=self.env,
                                   capture_output=True, timeout=30).stdout.strip()
            windows.append((window, title))
        return windows

    def _dialog_title(self, timeout):
        windows = self._program_windows()
        # The driver's answer is in the Win32 program's code page.
        return (0, windows[0][1].decode().encode("cp1251")) if windows else (1, b"")

    def _dismiss_dialog(self, timeout):
        windows = self._program_windows()
        if not windows:
            return 1, b""
        subprocess.run(["xdotool", "windowfocus", "--sync", windows[0][0], "key", "Return"],
                       env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=timeout)
        return (0 if wait_for(lambda: not self._program_windows(), 5) else 1), b""

    def _copydata_sized(self, size, path, *nul, timeout):
        """A hand-over of size bytes: the path, then a NUL if asked for, then filler."""
        data = path.encode() + (b"\0" if nul else b"")
        data += b"x" * (int(size) - len(data))
        client = dbus_wire.Connection(self.bus.address)
        try:
            error, _ = client.call(INSTANCE, "/org/tunlark/Tunlark", INSTANCE, "HandOver", "ay",
                                   (data,))
        finally:
            client.close()
        return (1 if error else 0), b""


def use_native_program(argv):
    """Points a Win32 suite at the native program: --native in argv asks for it."""
    argv.remove("--native")
    import harness
    import suite
    if "--driver" not in argv:
        argv += ["--driver", argv[0]]  # the native program needs none; any file stands
    suite.program_file = lambda bin_dir: os.path.join(bin_dir, PROGRAM)
    harness.program_file = suite.program_file
    suite.Environment = NativeDriverEnvironment
