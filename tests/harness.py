"""What tests, benchmarks and scripts share: the real program (VORLANE_PROGRAM) with the probe
(VORLANE_PROBE) and its log; a program seen from outside; X tools; pictures as RGB rows. Modes:
compare A.png B.png (exits 1 if they differ); installed COMMAND... (check_installed); run SECONDS
PNG [ARGUMENT...] and soak MINUTES (scripts/run)."""
import contextlib, os, pathlib, re, shutil, subprocess, sys, tempfile, time, unittest

PROGRAM = os.environ.get("VORLANE_PROGRAM", "")
PROBE = os.environ.get("VORLANE_PROBE", "")
EMULATOR = os.environ.get("VORLANE_EMULATOR", "").split()  # qemu-user or Wine for a cross build
TITLE = "Quillobrante - VORLANE 11/30/2005"
# Bounds a failing test; a passing one never waits for it. Under qemu, llvmpipe's first frame
# alone can take 20 s on a busy machine.
TIMEOUT = 60.0 if EMULATOR else 20.0


def wait_until(condition, what, timeout=TIMEOUT):  # condition()'s first true answer
    deadline = time.monotonic() + timeout
    while not (result := condition()):
        if time.monotonic() > deadline:
            raise AssertionError(f"gave up after {timeout} s waiting for {what}")
        time.sleep(0.02)
    return result


def x(*command, check=True):  # an X tool, xdotool or xprop: what it printed
    result = subprocess.run(command, capture_output=True, text=True, timeout=TIMEOUT)
    if check and result.returncode != 0:
        raise AssertionError(f"{' '.join(command)}: {result.stderr.strip()}")
    return result.stdout


def prop(window, name, form=None):  # as xprop prints it, '' if unset; form "32c": numbers
    where = ["-root"] if window == "root" else ["-id", str(window)]
    return x("xprop", *where, *(["-f", name, form] if form else []), name
             ).partition(")")[2].lstrip(":= ").strip()


def geometry(window):  # x, y, width, height
    keys = r"(?:Absolute upper-left [XY]|Width|Height): +(-?\d+)"
    return tuple(map(int, re.findall(keys, x("xwininfo", "-id", str(window)))))


def windows_named(name):
    return [int(w) for w in x("xdotool", "search", "--onlyvisible", "--name", f"^{name}$",
                              check=False).split()]


class Image:
    def __init__(self, ppm):  # binary, 8 bits a channel
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        self.width, self.height = int(header[1]), int(header[2])
        self.rgb = ppm[header.end():][:3 * self.width * self.height]

    def pixel(self, px, py):
        return tuple(self.rgb[3 * (py * self.width + px):3 * (py * self.width + px) + 3])

    def difference(self, other):  # None if alike; Mesa versions disagree on a few edge pixels
        if len(self.rgb) != len(other.rgb):
            return f"{other.width} x {other.height}, not {self.width} x {self.height}"
        off = sum(any(abs(a - b) > 13 for a, b in zip(self.rgb[i:i + 3], other.rgb[i:i + 3]))
                  for i in range(0, len(self.rgb), 3)) / (self.width * self.height)
        return f"{off:.2%} of the pixels differ" if off > 0.001 else None


def read_image(path):
    return Image(subprocess.run(["pngtopnm", path], capture_output=True, check=True).stdout)


def screenshot(window, png=None):  # also saved as PNG if a path is given
    # xwdtopnm makes a window's colour map 16 bits a channel.
    ppm = subprocess.run(f"xwd -silent -nobdrs -id {window} | xwdtopnm | pamdepth 255", shell=True,
                         capture_output=True, check=True, timeout=TIMEOUT).stdout
    if png:
        pathlib.Path(png).write_bytes(subprocess.run(["pnmtopng"], input=ppm, capture_output=True,
                                                     check=True).stdout)
    return Image(ppm)


class Program:  # the real program with the probe preloaded; its log and errors in a folder
    def __init__(self, *arguments, program=None, env=None, **probe):  # probe: stop_after=1, ...
        self.folder = tempfile.mkdtemp(prefix="vorlane-run-")
        self.log, self.errors = (pathlib.Path(self.folder, n) for n in ("probe.log", "stderr"))
        env = dict(env or os.environ, VORLANE_PROBE_LOG=str(self.log),
                   **{f"VORLANE_PROBE_{k.upper()}": str(int(v)) for k, v in probe.items()})
        # The probe goes behind the AddressSanitizer runtime, which must be the first library;
        # under qemu-user, into the emulated program, not the emulator.
        linked = subprocess.run(["ldd", program or PROGRAM], capture_output=True, text=True).stdout
        env["QEMU_SET_ENV" if EMULATOR else "LD_PRELOAD"] = "LD_PRELOAD=" * bool(EMULATOR) + \
            ":".join(re.findall(r"=> (\S*libasan\S*)", linked) + [PROBE])
        with open(self.errors, "w") as errors:
            self.process = subprocess.Popen([*EMULATOR, program or PROGRAM, *arguments], env=env,
                                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                            stderr=errors)

    def lines(self, kind):  # the fields of each whole log line of one kind, e.g. "swap"
        text = self.log.read_text() if self.log.exists() else ""
        return [line.split()[1:] for line in text.split("\n")[:-1] if line.startswith(kind)]

    def swaps(self):
        return len(self.lines("swap"))

    def stderr(self):
        return self.errors.read_text()

    def alive(self):
        if self.process.poll() is not None:
            raise AssertionError(f"the program ended with status {self.process.returncode}: "
                                 f"{self.stderr()[-800:]!r}")
        return True

    def window(self, swaps=0):  # once it has shown that many frames
        window = int(wait_until(lambda: self.alive() and self.lines("window"), "the window")[0][0])
        self.wait_swaps(swaps)
        return window

    def notice(self):
        return wait_until(lambda: self.alive() and windows_named("ERROR"), "the notice")[0]

    def wait_swaps(self, count):
        wait_until(lambda: self.alive() and self.swaps() >= count, f"swap {count}")

    def wait_quiet(self, seconds=0.5):  # until no frame has come for `seconds`: the swaps
        def quiet():
            count = self.swaps()
            time.sleep(seconds)
            return self.alive() and self.swaps() == count and [count]
        return wait_until(quiet, "the frames to stop")[0]

    def wait_exit(self):  # its status
        return self.process.wait(TIMEOUT)

    def stop(self):
        self.process.kill()  # a stopped one too; one that has ended is left alone
        self.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)  # twice is harmless


def check_installed(*command, also=lambda window: None):  # a program without the probe (Wine,
    # an installed copy): its titled 700 x 700 window, then `also`, the lit shape turning, Escape
    program = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:  # Wine makes its window before it maps it; its first start in a prefix takes a while.
        window = wait_until(lambda: windows_named(TITLE), "the window", 60)[0]
        assert geometry(window)[2:] == (700, 700), f"the window is {geometry(window)}"
        also(window)
        first = wait_until(lambda: max((shot := screenshot(window)).pixel(350, 350)) > 40 and shot,
                           "a frame")
        corners = [first.pixel(p, q) for p in (0, 699) for q in (0, 699)]
        assert corners == [(0, 0, 0)] * 4, f"the corners are {corners}"
        wait_until(lambda: screenshot(window).rgb != first.rgb, "the shape to turn")

        def escape_ends_it():  # with no window manager the focus may still be on its way
            x("xdotool", "windowfocus", str(window), "key", "Escape")
            with contextlib.suppress(subprocess.TimeoutExpired):
                return program.wait(timeout=5) is not None
        wait_until(escape_ends_it, "Escape to end the program", 30)
        assert program.returncode == 0, f"Escape ended it with status {program.returncode}"
    finally:
        program.kill()


class ProgramTest(unittest.TestCase):  # each program it starts is stopped when the test ends
    def start(self, *arguments, **probe):
        self.addCleanup((program := Program(*arguments, **probe)).stop)
        return program


if __name__ == "__main__" and sys.argv[1:2] == ["installed"]:
    check_installed(*sys.argv[2:])
    print(f"installed: {' '.join(sys.argv[2:])}: window, turning shape and Escape are right")
elif __name__ == "__main__" and sys.argv[1:2] == ["compare"]:
    problem = read_image(sys.argv[2]).difference(read_image(sys.argv[3]))
    sys.exit(print(problem or "the pictures match") or bool(problem))
elif __name__ == "__main__":  # run and soak: the program's end is theirs to report
    program = Program(*sys.argv[4:])
    try:
        window = program.window()
        if sys.argv[1] == "run":
            time.sleep(float(sys.argv[2]))
            screenshot(window, sys.argv[3])
        else:
            print("minute  frames/s  resident kB")
            for minute in range(1, int(sys.argv[2]) + 1):
                before = program.swaps()
                time.sleep(60)
                frames = program.alive() and program.swaps() - before
                status = pathlib.Path(f"/proc/{program.process.pid}/status").read_text()
                resident = re.search(r"VmRSS:\s+(\d+)", status)[1]
                print(f"{minute:6d}  {frames // 60:8d}  {resident:>11}", flush=True)
        x("xdotool", "keydown", "--window", str(window), "Escape")
        status = program.wait_exit()
        print(f"run: screenshot saved to {sys.argv[3]}; vorlane exited with status {status}"
              if sys.argv[1] == "run" else
              f"soak: {program.swaps()} frames in all; Escape ended vorlane with status {status}")
    except AssertionError as problem:
        print(f"{sys.argv[1]}: {problem}", file=sys.stderr)
        status = program.process.returncode or 1
    program.stop()
    sys.exit(status)
