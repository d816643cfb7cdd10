"""Runs the real program in a private virtual X server and watches it from outside.

The program runs with the probe library preloaded; the probe writes a log line for every
window, buffer swap, viewport, projection, idle-callback change and error check, so a test
counts frames and reads the window id from the log rather than guessing from timing or
searching window titles. Screenshots come from `xwd` and are parsed here; keys and window
changes go through `xdotool`. Standard library only.

The program and the probe are named by the environment: VORLANE_PROGRAM, VORLANE_PROBE.
"""
import ctypes
import ctypes.util
import functools
import os
import signal
import shutil
import struct
import subprocess
import tempfile
import time
import unittest

PROGRAM = os.environ.get("VORLANE_PROGRAM", "")
PROBE = os.environ.get("VORLANE_PROBE", "")
TITLE = "Quillobrante - VORLANE 11/30/2005"
WINDOW_SIZE = 700

# Generous limits: they bound a failing test, a passing one never waits for them.
START_TIMEOUT = 20.0
EVENT_TIMEOUT = 10.0
# How long the swap count must stand still to call the program quiet. Frames normally come
# every few milliseconds, so half a second of nothing is a clear pause.
QUIET_SECONDS = 0.5


def require_program():
    # Missing files are an error, not a skip: a suite that skips itself proves nothing.
    if not (os.path.isfile(PROGRAM) and os.path.isfile(PROBE)):
        raise RuntimeError("VORLANE_PROGRAM and VORLANE_PROBE must name the built program "
                           f"and probe (got {PROGRAM!r}, {PROBE!r})")


@functools.cache
def preload():
    """The probe, behind the AddressSanitizer runtime when the program is built with it: that
    runtime refuses to start unless it is the first library loaded."""
    linked = subprocess.run(["ldd", PROGRAM], capture_output=True, text=True).stdout
    for line in linked.splitlines():
        name, _, path = line.strip().partition(" => ")
        if name.startswith("libasan.so"):
            return f"{path.split()[0]}:{PROBE}"
    return PROBE


def wait_until(condition, timeout, what):
    """Polls condition() until it returns something true and returns that, or fails."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.02)


class XServer:
    """A private Xvfb on the first free display number, with its own Mesa shader cache."""

    def __init__(self, width=800, height=900):
        self.width, self.height = width, height
        self.folder = tempfile.mkdtemp(prefix="vorlane-window-")
        self.log_path = os.path.join(self.folder, "xvfb.log")
        read_end, write_end = os.pipe()
        with open(self.log_path, "wb") as log:
            self.process = subprocess.Popen(
                # No key repeat: on a busy machine the gap between a typed key's press and
                # release can outlast the repeat delay, and repeats would draw extra frames.
                # No reset: by default the server resets whenever its last client leaves, and
                # drops the connections that arrive meanwhile, such as the next program's.
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
                 "-nolisten", "tcp", "-r", "-noreset"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=log)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.env = dict(os.environ, DISPLAY=self.display,
                        MESA_SHADER_CACHE_DIR=os.path.join(self.folder, "mesa-cache"))
        for name in ("LD_PRELOAD", "VORLANE_PROBE_LOG", "VORLANE_PROBE_HOLD_IDLE",
                     "VORLANE_PROBE_STOP_AFTER", "VORLANE_PROBE_ERROR_AT"):
            self.env.pop(name, None)

    def run(self, *command, check=True):
        result = subprocess.run(command, env=self.env, capture_output=True, text=True,
                                timeout=EVENT_TIMEOUT, check=False)
        if check and result.returncode != 0:
            raise AssertionError(f"{' '.join(command)} failed: {result.stderr.strip()}")
        return result.stdout

    def xdotool(self, *arguments):
        return self.run("xdotool", *arguments)

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", str(window))

    def key(self, window, name):
        """Gives the window the focus and types one key, as a real keyboard would."""
        self.focus(window)
        self.xdotool("key", name)

    def geometry(self, window):
        """(x, y, width, height) of a window, x and y relative to the screen."""
        fields = {}
        for line in self.run("xwininfo", "-id", str(window)).splitlines():
            name, _, value = line.strip().partition(":")
            fields[name] = value.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def window_name(self, window):
        output = self.run("xprop", "-id", str(window), "WM_NAME")
        _, _, value = output.partition(" = ")
        value = value.strip()
        if not (value.startswith('"') and value.endswith('"')):
            raise AssertionError(f"window {window} has no plain WM_NAME: {output.strip()!r}")
        return value[1:-1]

    def windows_named(self, name):
        # xdotool reports "nothing found" by its exit status, which is no failure here.
        found = self.run("xdotool", "search", "--name", f"^{name}$", check=False)
        return [int(window) for window in found.split()]

    def screenshot(self, window):
        data = subprocess.run(["xwd", "-silent", "-nobdrs", "-id", str(window)], env=self.env,
                              capture_output=True, timeout=EVENT_TIMEOUT, check=True).stdout
        return parse_xwd(data)

    def request_close(self, window):
        """Asks a window to close the way a window manager does, with WM_DELETE_WINDOW."""
        send_delete_window(self.display, window)

    def describe(self):
        """For failure messages: whether the server is still there."""
        status = self.process.poll()
        with open(self.log_path, errors="replace") as log:
            said = log.read()[-2000:]
        return (f"X server {self.display} " +
                ("running" if status is None else f"ended with status {status}") +
                f", saying {said!r}")

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=EVENT_TIMEOUT)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


class Program:
    """The real program with the probe preloaded and its log in a fresh file."""

    started = 0

    def __init__(self, server, hold_idle=False, stop_after=None, error_at=None, arguments=(),
                 wrapper=(), environment=None):
        """arguments go to the program; wrapper is a command that runs it (e.g. valgrind);
        environment adds variables."""
        self.server = server
        Program.started += 1
        self.log_path = os.path.join(server.folder, f"probe-{Program.started}.log")
        self.error_path = os.path.join(server.folder, f"stderr-{Program.started}.txt")
        env = dict(server.env, LD_PRELOAD=preload(), VORLANE_PROBE_LOG=self.log_path,
                   **(environment or {}))
        if hold_idle:
            env["VORLANE_PROBE_HOLD_IDLE"] = "1"
        if stop_after is not None:
            env["VORLANE_PROBE_STOP_AFTER"] = str(stop_after)
        if error_at is not None:
            env["VORLANE_PROBE_ERROR_AT"] = str(error_at)
        with open(self.error_path, "wb") as errors:
            self.process = subprocess.Popen([*wrapper, PROGRAM, *arguments], env=env,
                                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                            stderr=errors)

    def lines(self):
        try:
            with open(self.log_path) as log:
                text = log.read()
        except FileNotFoundError:
            return []
        # A line still being written has no newline yet; it is read next time.
        return text.split("\n")[:-1]

    def records(self, kind):
        """The fields of every log line of one kind, e.g. records("viewport")."""
        return [line.split()[1:] for line in self.lines() if line.split()[0] == kind]

    def count(self, line):
        return sum(1 for logged in self.lines() if logged == line)

    def swaps(self):
        swaps = self.records("swap")
        return int(swaps[-1][0]) if swaps else 0

    def window(self):
        def logged():
            self.check_alive()
            return self.records("window")
        try:
            record = wait_until(logged, START_TIMEOUT, "the window id")
        except AssertionError as timeout:
            raise AssertionError(f"{timeout}; the program is {self.state()!r}, its errors "
                                 f"{self.errors()!r}") from None
        return int(record[0][0])

    def state(self):
        """The process's scheduling state and where in the kernel it waits."""
        try:
            with open(f"/proc/{self.process.pid}/stat") as stat:
                state = stat.read().rpartition(")")[2].split()[0]
            with open(f"/proc/{self.process.pid}/wchan") as wchan:
                return f"{state} in {wchan.read()}"
        except OSError:
            return "gone"

    def wait_for_swaps(self, count, timeout=EVENT_TIMEOUT):
        def reached():
            self.check_alive()
            return self.swaps() >= count
        wait_until(reached, timeout, f"swap {count}")
        return self.swaps()

    def wait_for_line(self, line, occurrences=1, timeout=EVENT_TIMEOUT):
        def reached():
            self.check_alive()
            return self.count(line) >= occurrences
        wait_until(reached, timeout, f"log line {line!r} x{occurrences}")

    def wait_for_frame_after(self, kind):
        """Waits for a swap logged after the last line of one kind, e.g. "viewport"."""
        def drawn():
            self.check_alive()
            kinds = [line.split()[0] for line in self.lines()]
            return kind in kinds and "swap" in kinds[len(kinds) - kinds[::-1].index(kind):]
        wait_until(drawn, EVENT_TIMEOUT, f"a frame after the last {kind}")

    def wait_quiet(self, quiet=QUIET_SECONDS, timeout=EVENT_TIMEOUT):
        """Waits until no frame has come for `quiet` seconds; returns the swap count."""
        deadline = time.monotonic() + timeout
        last, since = self.swaps(), time.monotonic()
        while time.monotonic() - since < quiet:
            if time.monotonic() > deadline:
                raise AssertionError(f"frames kept coming for {timeout} s (at {last})")
            time.sleep(0.02)
            now = self.swaps()
            if now != last:
                last, since = now, time.monotonic()
        return last

    def wait_stopped(self):
        """Waits until the probe has stopped the process after its chosen frame."""
        def stopped():
            self.check_alive()
            return self.state().startswith("T")
        wait_until(stopped, START_TIMEOUT, "the program to stop at its held frame")

    def check_alive(self):
        if self.process.poll() is not None:
            raise AssertionError(f"the program ended early with status {self.process.returncode}"
                                 f": {self.errors()!r} ({self.server.describe()})")

    def errors(self):
        with open(self.error_path, errors="replace") as errors:
            return errors.read()

    def wait_exit(self, timeout=EVENT_TIMEOUT):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the program did not end within {timeout} s") from None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            # A stopped process dies of SIGKILL too, but only once it is allowed to run.
            self.process.send_signal(signal.SIGCONT)
            self.process.wait()


class Image:
    """A screenshot as rows of RGB bytes."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, bytes(rgb)

    def pixel(self, x, y):
        offset = 3 * (y * self.width + x)
        return tuple(self.rgb[offset:offset + 3])

    def row(self, y):
        return self.rgb[3 * y * self.width:3 * (y + 1) * self.width]


XWD_HEADER = struct.Struct(">25I")


def parse_xwd(data):
    """Decodes a TrueColor xwd dump of 24 or 32 bits per pixel into an Image."""
    (header_size, _version, _format, _depth, width, height, _xoffset, byte_order, _unit,
     _bit_order, _pad, bits_per_pixel, bytes_per_line, _visual_class, red_mask, green_mask,
     blue_mask, _bits_per_rgb, _map_entries, colour_count, *_rest) = XWD_HEADER.unpack_from(data)
    if bits_per_pixel not in (24, 32):
        raise ValueError(f"xwd: {bits_per_pixel} bits per pixel is not handled")
    pixels = data[header_size + 12 * colour_count:]
    step = bits_per_pixel // 8
    order = "big" if byte_order else "little"
    shifts = [(mask, (mask & -mask).bit_length() - 1) for mask in (red_mask, green_mask,
                                                                     blue_mask)]
    rgb = bytearray(3 * width * height)
    # The masks say where each channel lives; find its byte so whole rows copy as slices.
    channel_bytes = []
    for mask, shift in shifts:
        if mask >> shift != 0xFF or shift % 8:
            raise ValueError("xwd: only 8-bit channels on byte boundaries are handled")
        byte = shift // 8
        channel_bytes.append(step - 1 - byte if order == "big" else byte)
    for y in range(height):
        row = pixels[y * bytes_per_line:y * bytes_per_line + width * step]
        for channel, byte in enumerate(channel_bytes):
            rgb[3 * y * width + channel:3 * (y + 1) * width:3] = row[byte::step]
    return Image(width, height, rgb)


class ClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", ClientMessageEvent), ("pad", ctypes.c_long * 24)]


def send_delete_window(display_name, window):
    """There is no window manager under Xvfb, so the test sends its close request itself."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(XEvent)]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        raise AssertionError(f"cannot open {display_name}")
    try:
        event = XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        if not x11.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
            raise AssertionError("XSendEvent failed")
        x11.XSync(display, 0)
    finally:
        x11.XCloseDisplay(display)


class WindowTestCase(unittest.TestCase):
    """Tests of one class share one private X server; each test starts its own program."""

    screen = (800, 900)

    @classmethod
    def setUpClass(cls):
        require_program()
        cls.server = XServer(*cls.screen)

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def start(self, **options):
        program = Program(self.server, **options)
        self.addCleanup(program.stop)
        return program

    def start_shown(self, **options):
        """Starts the program and waits for its first frame; returns it and its window."""
        program = self.start(**options)
        window = program.window()
        program.wait_for_swaps(1)
        return program, window


def held_frame(server, frame):
    """Runs the program until it has shown `frame`, holds it there and screenshots it."""
    program = Program(server, stop_after=frame)
    try:
        window = program.window()
        program.wait_stopped()
        if program.swaps() != frame:
            raise AssertionError(f"held at swap {program.swaps()}, not {frame}")
        return server.screenshot(window)
    finally:
        program.stop()
